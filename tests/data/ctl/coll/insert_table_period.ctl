cursor A;
insert into s.t (x) values (:xy.);
end;
