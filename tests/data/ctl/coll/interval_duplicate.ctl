;; rc 1
;; > PCC0560E Duplicate interval
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
interval 30;
end;
