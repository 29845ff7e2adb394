;; rc 1
;; > PCC0410E NO_SQL and BASE are incompatable
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
no_sql;
base PREV on x -> x;
end;
