;; unknown type
;; rc 1
;; > PPC1000E Unrecognized type:odbc
;; > PPC0900E No Process type specified
;; > PPC0905W No Process logon id specified
;; > PPC0910W No Process password specified
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
type odbc;
interval 60;
end;
