;; -1 cannot be recorded
;; rc 1
;; > PPC1010E Class exceeds range
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
class -1;
end;
