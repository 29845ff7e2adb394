cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
saturday_end 100;
end;
