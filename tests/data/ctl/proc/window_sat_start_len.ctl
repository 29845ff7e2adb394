;; HHMM needs 4 characters
;; rc 1
;; > PPC1065E Incorrect length for saturday_start (4)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Saturday_start 800;
end;
