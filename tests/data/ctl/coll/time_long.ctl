;; rc 1
;; > PCC0685E Invalid Time Limit length (5)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
time 12345;
end;
