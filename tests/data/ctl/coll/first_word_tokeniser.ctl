'cursor A;
end;
