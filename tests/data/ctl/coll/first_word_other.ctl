;; six, but not cursor
;; rc 1
;; > PCC0325E First word must be 'cursor'
;; > PCC0755E Parsing ended with errors
insert into T (x) values (:x);
