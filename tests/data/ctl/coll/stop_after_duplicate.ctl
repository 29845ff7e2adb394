;; rc 1
;; > PCC0580E Duplicate stop_after
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
stop_after 1 2;
end;
