;; the clause parser reports first, then the statement's open parenthesis
;; rc 1
;; > PMA3415E Parens don't balance in decimal 1 y ( x * 2
;; > PCC0725E Parentheses do not balance
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x, y) values (:x, :y);
interval 60;
limit 100;
math decimal 1 y ( x * 2;
end;
