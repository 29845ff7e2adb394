;; This message has no line end of its own: the end banner follows on its line.
;; rc 1
;; > PCC0705E Duplicate age_to entryPCC0735I (100000) --------------------------------------------------------------
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
age_to X Y;
end;
