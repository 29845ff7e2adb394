cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
time 5 6;
end;
