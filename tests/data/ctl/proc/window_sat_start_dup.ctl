;; start before end
;; rc 1
;; > PPC1060E Duplicate saturday_start specification
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Saturday_start 0100;
Saturday_start 0200;
end;
