;; rc 1
;; > PEV1335E Invalid operator
eval A;
operator abc;
