;; Mixed case is no keyword: the parse stops there.
;; rc 1
;; > PTC4640E Unknown keyword (Trace)
;; > PTC4755E Trace Parsing ended with errors
;; flags 0 0 0 0 0 0 0 0 0 0
Trace SESS;
trace DEM;
