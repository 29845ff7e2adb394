cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
no_sql;
insert_select select 1;
end;
