;; rc 1
;; > PCC0680E Duplicate Time Limit
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
time 5 6;
end;
