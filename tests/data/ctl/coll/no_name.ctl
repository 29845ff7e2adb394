cursor;
end;
