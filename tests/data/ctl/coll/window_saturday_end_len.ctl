;; rc 1
;; > PCC0565E Incorrect length for saturday_end (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
saturday_end 100;
end;
