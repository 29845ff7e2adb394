;; rc 1
;; > PCC0690E Duplicate Class Specified
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
class 1 2;
end;
