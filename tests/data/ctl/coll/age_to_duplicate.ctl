cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
age_to X Y;
end;
