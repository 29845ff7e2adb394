;; 5 digits
;; rc 1
;; > PPC1090E Invalid sleep length (5)
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
sleep 12345;
end;
