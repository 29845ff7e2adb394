trace SESS, DEM;
TRACEM SESS;
traced DEM;
show_row SESS;
show_cursor DEM;
end;
trace_all;
