;; Every cursor.
;; rc 0
;; > PTC4760I Trace Parsing ended ok
;; flags 1 0 0 1 1 1 0 0 1 1
traceall;
