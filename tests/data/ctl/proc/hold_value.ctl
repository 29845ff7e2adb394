;; lower-case y
;; rc 1
;; > PPC1155E Hold is not YES/NO
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
hold yes;
end;
