;; wrong process
;; rc 1
;; > PPC1170E Send_false is valid only for the evaluator
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
send_false Y;
end;
