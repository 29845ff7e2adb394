;; rc 1
;; > PCC0700E Excessive Class value
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
class 51;
end;
