cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
fetch_exit fetchx1;
fetch_exit fetchx2;
end;
