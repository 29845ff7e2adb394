;; rc 1
;; > PDC2130E Duplicate data type
;; > PDC2180E Parsing ended with errors
name A;
type INTEGER;
type FLOAT;
