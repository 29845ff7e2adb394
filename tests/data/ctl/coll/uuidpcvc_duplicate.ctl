;; rc 1
;; > PCC0670E Duplicate Uuidpcvc
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidpcvc a b;
end;
