;; rc 1
;; > PCC0465E Duplicate INSERT entry
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert into T (x) values (:x);
end;
