cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
dummy_last_row;
conditional_dummy_last_row;
end;
