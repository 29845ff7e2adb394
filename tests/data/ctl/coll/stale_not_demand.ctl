cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
stale 5;
end;
