cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
mon_fri_start 0100;
mon_fri_start 0200;
end;
