;; rc 1
;; > PCC0595E Invalid Set length (5)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
set 12345;
end;
