cursor A;
insert into a. (x) values (:x);
end;
