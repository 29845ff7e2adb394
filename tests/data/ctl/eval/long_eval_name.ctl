;; 36 characters
;; rc 1
;; > PEV1300E Evaluation name is exceeeds 8 characters
eval eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee;
