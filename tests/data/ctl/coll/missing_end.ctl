;; rc 1
;; > PCC0730E Missing end statement
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
