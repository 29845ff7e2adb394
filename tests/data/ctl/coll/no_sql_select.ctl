;; rc 1
;; > PCC0400E NO_SQL and INSERT_SELECT are incompatable
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
no_sql;
insert_select select 1;
end;
