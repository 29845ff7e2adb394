;; rc 1
;; > PPC1025E Incorrect length for mon_fri_start (4)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Mon_Fri_start 1;
end;
