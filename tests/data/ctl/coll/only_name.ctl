cursor A;
end;
