;; returns at once
;; rc 1
;; > PPC0950E Duplicate process name: collector
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process collector;
interval 5;
end;
