;; more than a day
;; rc 1
;; > PPC0991E Invalid time_offset -2401 (at most 2400 either way)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
time_offset -2401;
end;
