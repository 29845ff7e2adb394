;; 32 characters
;; rc 1
;; > PDC2100E Dictionary element name is exceeds 29 characters
;; > PDC2180E Parsing ended with errors
name ABCDEFGHIJKLMNOPQRSTUVWXYZ012345;
