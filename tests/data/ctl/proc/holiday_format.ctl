;; no slashes
;; rc 1
;; > PPC0970E Invalid holiday date format (YYYY/MM/DD) 
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
holiday 20300101;
end;
