;; rc 1
;; > PCC0550E Duplicate saturday_start specification
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
saturday_start 0100;
saturday_start 0200;
end;
