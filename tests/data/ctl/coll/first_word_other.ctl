insert into T (x) values (:x);
