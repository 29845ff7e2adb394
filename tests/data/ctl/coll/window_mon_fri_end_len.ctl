cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
mon_fri_end 100;
end;
