cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_where a = 1);
end;
