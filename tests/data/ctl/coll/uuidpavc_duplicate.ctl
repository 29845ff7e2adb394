cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidpavc a;
uuidpavc b;
end;
