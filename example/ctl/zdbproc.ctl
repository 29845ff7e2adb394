;; The example collector: one local logon to the example database, the probe
;; service answering requests, and the npxa process that lists the rows in the
;; print file.
process collector;
type local;
logon_id monitor;
password monitor;
interval 10;
process pxa;
interval 1;
process npxa;
interval 10;
end;
