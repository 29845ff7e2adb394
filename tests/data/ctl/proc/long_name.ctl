;; 25 characters
;; rc 1
;; > PPC0945E Process name exceeeds 24 characters
;; > PPC0895E No Process name
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process abcdefghijklmnopqrstuvwxy;
interval 5;
end;
