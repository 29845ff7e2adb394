;; Nothing is read after end.
;; rc 0
;; > PTC4760I Trace Parsing ended ok
;; flags 1 1 0 1 0 1 0 1 0 1
trace SESS, DEM;
TRACEM SESS;
traced DEM;
show_row SESS;
show_cursor DEM;
end;
trace_all;
