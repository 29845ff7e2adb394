;; unclosed '('
;; rc 1
;; > PPC1180E Parentheses do not balance
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
sleep (60;
end;
