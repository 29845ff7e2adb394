;; two statements
;; rc 1
;; > PPC1105E Duplicate password specification
;; > PPC0900E No Process type specified
;; > PPC0905W No Process logon id specified
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
password a;
password b;
end;
