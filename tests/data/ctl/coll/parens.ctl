;; rc 1
;; > PCC0725E Parentheses do not balance
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_where (a = 1;
end;
