;; The example collector: one local logon to the example database, the probe
;; service answering requests, and the print-file rows of the npxa process.
process collector;
type local;
logon_id monitor;
password monitor;
interval 10;
process pxa;
interval 1;
end;
