;; rc 1
;; > PPC1035E Incorrect length for mon_fri_end (4)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Mon_Fri_end 12345;
end;
