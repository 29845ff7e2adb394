;; two values
;; rc 1
;; > PPC1115E Duplicate logon_id specification
;; > PPC0900E No Process type specified
;; > PPC0910W No Process password specified
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
logon_id a b;
end;
