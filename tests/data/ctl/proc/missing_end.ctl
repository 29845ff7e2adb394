;; end of file
;; rc 1
;; > PPC1185E Missing end statement
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
