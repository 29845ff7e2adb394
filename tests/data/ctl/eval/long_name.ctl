;; rc 1
;; > PEV1315E Excessive length on evaluation name
eval;
name nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn;
