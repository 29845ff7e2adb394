cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
stop_after 1234;
end;
