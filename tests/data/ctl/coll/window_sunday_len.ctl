;; rc 1
;; > PCC0535E Incorrect length for sunday_start (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
sunday_start 100;
end;
