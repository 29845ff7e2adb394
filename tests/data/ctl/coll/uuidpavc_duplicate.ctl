;; rc 1
;; > PCC0660E Duplicate Uuidpavc
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidpavc a;
uuidpavc b;
end;
