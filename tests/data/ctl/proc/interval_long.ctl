process collector;
interval 12345;
end;
