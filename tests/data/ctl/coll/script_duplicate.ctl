;; rc 1
;; > PCC0490E Duplicate script entry
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
script a;
script b;
end;
