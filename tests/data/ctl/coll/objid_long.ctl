cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
objid 1234567;
end;
