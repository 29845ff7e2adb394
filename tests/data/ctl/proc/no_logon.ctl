;; only warnings; "localhost" is type local
;; rc 0
;; > PPC0905W No Process logon id specified
;; > PPC0910W No Process password specified
process collector;
type localhost;
interval 60;
end;
