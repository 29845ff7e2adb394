;; the clause parser reports first, then the statement's open parenthesis
;; rc 1
;; > PCL4140E Missing required comma
;; > PCC0725E Parentheses do not balance
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
column_exit x substr (1;
end;
