;; mixed case
;; rc 1
;; > PPC0890E First word must be 'process'
;; > PPC1210E Parsing ended with errors
Process collector;
end;
