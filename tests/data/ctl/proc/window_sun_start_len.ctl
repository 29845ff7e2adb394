;; rc 1
;; > PPC1045E Incorrect length for sunday_start (4)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Sunday_start 08000;
end;
