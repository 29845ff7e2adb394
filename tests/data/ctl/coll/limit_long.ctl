cursor A;
insert into T (x) values (:x);
interval 60;
limit 123456;
end;
