process collector;
interval 30 60;
end;
