;; listed spelling only
;; rc 1
;; > PPC0780E Unknown keyword (saturday_start)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
saturday_start 0800;
end;
