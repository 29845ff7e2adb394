Process collector;
end;
