;; rc 1
;; > PCC4005E No dictionary entry found for x
;; > PCC4010E Script parsing failed
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_select SELECT (x) from t;
fetch_exit fetchx2;
script run.sh;
end;
