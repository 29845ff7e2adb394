;; not Y or N
;; rc 1
;; > PPC1165E Continuous is not YES/NO
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
continuous maybe;
end;
