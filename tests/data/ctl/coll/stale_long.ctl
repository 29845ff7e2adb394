;; rc 1
;; > PCC0645E Invalid interval length (5)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
stale 1234567;
end;
