;; a warning only
;; rc 0
;; > PPC1210W Caution! - collector has a time offset
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
time_offset 0100;
end;
