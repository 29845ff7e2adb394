cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
class 99;
interval 5;
cursor B;
interval 5;
end;
