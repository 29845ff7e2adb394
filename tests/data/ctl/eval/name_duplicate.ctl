;; rc 1
;; > PEV1310E Duplicate evaluation name
eval A;
name B;
