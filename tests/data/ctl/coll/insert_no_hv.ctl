cursor A;
insert into T (x) values (1);
end;
