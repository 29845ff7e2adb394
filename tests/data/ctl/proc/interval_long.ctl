;; 5 digits
;; rc 1
;; > PPC1085E Invalid interval length (5)
;; > PPC0900E No Process type specified
;; > PPC0905W No Process logon id specified
;; > PPC0910W No Process password specified
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
interval 12345;
end;
