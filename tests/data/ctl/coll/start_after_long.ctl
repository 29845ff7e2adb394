cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
start_after 1234;
end;
