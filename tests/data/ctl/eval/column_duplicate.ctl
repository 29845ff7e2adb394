;; rc 1
;; > PEV1365E Duplicate Column Name b
eval A;
column a;
column b;
