cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
sunday_start 0100;
sunday_start 0200;
end;
