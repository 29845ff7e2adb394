;; a second value
;; rc 1
;; > PPC0995E Duplicate type specification
;; > PPC0905W No Process logon id specified
;; > PPC0910W No Process password specified
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process collector;
type local dial;
interval 60;
end;
