cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
mon_fri_start 100;
end;
