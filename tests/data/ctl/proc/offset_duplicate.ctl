;; two values
;; rc 1
;; > PPC0990E Duplicate time_offset
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
time_offset 0100 0200;
end;
