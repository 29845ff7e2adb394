;; not Y or N
;; rc 1
;; > PPC1175E Send_false is not YES/NO
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process evaluator;
interval 5;
send_false x;
end;
