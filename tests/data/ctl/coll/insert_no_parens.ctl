cursor A;
insert into T values :x;
end;
