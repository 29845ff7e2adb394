;; process without a name
;; rc 1
;; > PPC0940E No Process name supplied
;; > PPC0895E No Process name
;; > PPC0915E No Process interval specified
;; > PPC1210E Parsing ended with errors
process;
end;
