cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
class 12345;
end;
