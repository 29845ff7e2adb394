;; rc 1
;; > PPC1040E Duplicate sunday_start specification
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Sunday_start 0100;
Sunday_start 0200;
end;
