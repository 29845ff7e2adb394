;; rc 1
;; > PDC2140E Data type CHAR needs a length, as in CHAR(20)
;; > PDC2180E Parsing ended with errors
name A;
type CHAR;
