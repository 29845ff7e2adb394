;; rc 1
;; > PEV1375E Parentheses do not balance
eval A;
value (5;
