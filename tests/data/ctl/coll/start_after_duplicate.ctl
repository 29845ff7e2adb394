;; rc 1
;; > PCC0570E Duplicate start_after
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
start_after 1 2;
end;
