Cursor A;
end;
