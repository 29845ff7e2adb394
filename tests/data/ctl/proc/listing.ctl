;; The listing lines that depend on the process, under trace_all; the
;; password never shows.
;; rc 0
;; trace 1
;; grep ^PSP1(385|39|430|440|49)
;; > PSP1390I Type = remote
;; > PSP1440I Password = ***
;; > PSP1495I Window open at 20240115000000
;; > PSP1395I Type = dial
;; > PSP1440I Password = ***
;; > PSP1495I Window open at 20240115000000
;; > PSP1430I Type = ctlib
;; > PSP1440I Password = ***
;; > PSP1495I Window open at 20240115000000
;; > PSP1385I Type = local
;; > PSP1440I Password = ***
;; > PSP1490I Holiday = 20301225
;; > PSP1495I Window open at 20240115000000
process collector;
type SQL*NET;
logon_id a;
password b;
server_id ORCL;
interval 60;
process b;
type dial;
interval 5;
process c;
type ctlib;
interval 5;
process d;
type LOCAL;
interval 5;
holiday 2030/12/25;
end;
