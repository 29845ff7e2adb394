;; ignored, not an error
;; rc 0
;; > PPC0980W Comment: Holiday is in the past
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
holiday 2000/01/01;
end;
