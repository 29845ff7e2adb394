;; rc 1
;; > PCC0565E Invalid interval length (5)
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
limit 100;
interval 1234567;
end;
