;; remote needs a server
;; rc 1
;; > PPC0920E Server_id required for sql*net
;; > PPC1210E Parsing ended with errors
process collector;
type sql*net;
logon_id a;
password b;
interval 60;
end;
