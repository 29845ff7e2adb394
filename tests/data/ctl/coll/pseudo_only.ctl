cursor A;
insert into T (a) values (:%me);
interval 5;
limit 1;
end;
