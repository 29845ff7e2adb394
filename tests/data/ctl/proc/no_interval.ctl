;; every process needs an interval
;; rc 1
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id a;
password b;
end;
