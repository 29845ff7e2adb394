;; rc 1
;; > PEV1325E Invalid operator
eval A;
operator ~=;
