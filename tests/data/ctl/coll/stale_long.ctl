cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
stale 1234567;
end;
