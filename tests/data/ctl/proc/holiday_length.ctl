;; short year
;; rc 1
;; > PPC0975E Invalid holiday date length (10)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
holiday 20/0/00/11;
end;
