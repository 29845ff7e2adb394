;; CHAR(0)
;; rc 1
;; > PDC2090E No Length specified
;; > PDC2180E Parsing ended with errors
name A;
type CHAR(0);
end;
