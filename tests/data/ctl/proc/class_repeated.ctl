;; only a warning
;; rc 0
;; > PPC1015W Warning - Class repeditively specified
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
class 3 3;
end;
