cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
class 1 2;
end;
