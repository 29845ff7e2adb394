;; rc 1
;; > PDC2065E Unknown keyword (length)
;; > PDC2180E Parsing ended with errors
name A;
length 5;
