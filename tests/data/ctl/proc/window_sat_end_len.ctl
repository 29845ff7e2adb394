;; rc 1
;; > PPC1075E Incorrect length for saturday_end (4)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Saturday_end 80;
end;
