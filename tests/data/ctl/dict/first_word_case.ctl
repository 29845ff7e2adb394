;; mixed case
;; rc 1
;; > PDC2075E First word must be 'name'
;; > PDC2180E Parsing ended with errors
Name A;
