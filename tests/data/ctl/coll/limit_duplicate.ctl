;; rc 1
;; > PCC0620E Duplicate Limit
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
limit 5;
end;
