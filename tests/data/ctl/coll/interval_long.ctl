cursor A;
insert into T (x) values (:x);
limit 100;
interval 1234567;
end;
