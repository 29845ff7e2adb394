;; another file's keyword
;; rc 1
;; > PPC0890E First word must be 'process'
;; > PPC1210E Parsing ended with errors
cursor x;
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
end;
