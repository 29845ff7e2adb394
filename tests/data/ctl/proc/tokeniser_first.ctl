'process collector;
end;
