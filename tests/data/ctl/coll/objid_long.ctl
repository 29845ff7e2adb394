;; rc 1
;; > PCC0615E Invalid set length (7)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
objid 1234567;
end;
