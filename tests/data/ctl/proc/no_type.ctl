;; the collector needs a type
;; rc 1
;; > PPC0900E No Process type specified
;; > PPC1210E Parsing ended with errors
process collector;
logon_id a;
password b;
interval 60;
end;
