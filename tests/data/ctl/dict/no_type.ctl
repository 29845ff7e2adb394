;; rc 1
;; > PDC2085E No data type
;; > PDC2180E Parsing ended with errors
name A;
end;
