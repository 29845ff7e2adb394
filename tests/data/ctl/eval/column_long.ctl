;; 33 after the prefix
;; rc 1
;; > PEV1370E Column Name too long
eval A;
column MAX!ccccccccccccccccccccccccccccccccc;
