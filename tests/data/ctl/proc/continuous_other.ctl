;; wrong process
;; rc 1
;; > PPC1160E Continuous is valid only at the collector
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process pxa;
interval 5;
continuous Y;
end;
