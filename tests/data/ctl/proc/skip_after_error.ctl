;; later statements skipped
;; rc 1
;; > PPC1155E Hold is not YES/NO
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
hold x;
interval 5;
process pxa;
interval 5;
end;
