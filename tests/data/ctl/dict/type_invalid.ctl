;; rc 1
;; > PDC2145E Invalid data type
;; > PDC2180E Parsing ended with errors
name A;
type DATE;
