;; rc 1
;; > PCC0545E Incorrect length for sunday_end (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
sunday_end 100;
end;
