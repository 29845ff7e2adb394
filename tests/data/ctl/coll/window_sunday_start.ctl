;; rc 1
;; > PCC0530E Duplicate sunday_start specification
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
sunday_start 0100;
sunday_start 0200;
end;
