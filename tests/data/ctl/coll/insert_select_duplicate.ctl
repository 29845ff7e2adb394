cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_select select 1;
insert_select select 2;
end;
