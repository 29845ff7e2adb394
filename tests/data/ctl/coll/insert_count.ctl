cursor A;
insert into T (x) values (:a, :b);
end;
