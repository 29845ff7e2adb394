;; mixed case
;; rc 1
;; > PCC0325E First word must be 'cursor'
;; > PCC0755E Parsing ended with errors
Cursor A;
end;
