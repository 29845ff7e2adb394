cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
sunday_end 100;
end;
