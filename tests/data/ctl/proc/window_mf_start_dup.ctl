;; rc 1
;; > PPC1020E Duplicate mon_fri_start specification
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Mon_Fri_start 0100;
Mon_Fri_start 0200;
end;
