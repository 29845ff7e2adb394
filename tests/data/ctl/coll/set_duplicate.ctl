;; rc 1
;; > PCC0590E Duplicate set
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
set 1 2;
end;
