cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
script a;
script b;
end;
