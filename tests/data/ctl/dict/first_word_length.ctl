;; not four characters
;; rc 1
;; > PDC2070E First word must be 'name'
;; > PDC2180E Parsing ended with errors
initial 1;
