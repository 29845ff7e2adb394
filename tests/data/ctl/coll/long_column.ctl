cursor A;
insert into T (x) values (:cccccccccccccccccccccccccccccccccccccccccccccccccccc);
interval 5;
limit 1;
end;
