;; rc 1
;; > PDC2135E ERR Length of 4096 exceeds maximum(2048)
;; > PDC2180E Parsing ended with errors
name A;
type CHAR(4096);
