;; rc 1
;; > PCC0405E NO_SQL and VIRTUAL are incompatable
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
no_sql;
virtual;
end;
