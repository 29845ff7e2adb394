;; rc 1
;; > PCC0710E Excessive length on age_to name
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
age_to ABCDEFGHI;
end;
