;; rc 1
;; > PCC0506E IF, ELSE and ENDIF are not supported (cursor A)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
if a = 1;
end;
