;; not six characters
;; rc 1
;; > PCC0320E First word must be 'cursor'
;; > PCC0755E Parsing ended with errors
history;
