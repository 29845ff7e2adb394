;; rc 1
;; > PEV1260E Unknown keyword (threshold)
eval A;
threshold 5;
