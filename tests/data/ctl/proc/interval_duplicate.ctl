;; interval 30 60
;; rc 1
;; > PPC1080E Duplicate interval
;; > PPC0900E No Process type specified
;; > PPC0905W No Process logon id specified
;; > PPC0910W No Process password specified
;; > PPC1210E Parsing ended with errors
process collector;
interval 30 60;
end;
