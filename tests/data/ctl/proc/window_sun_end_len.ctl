;; rc 1
;; > PPC1055E Incorrect length for sunday_end (4)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Sunday_end 8;
end;
