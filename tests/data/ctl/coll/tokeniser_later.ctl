cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_where name = 'a;b';
end;
