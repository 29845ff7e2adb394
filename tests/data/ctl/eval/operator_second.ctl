;; rc 1
;; > PEV1330E Invalid operator
eval A;
operator <~;
