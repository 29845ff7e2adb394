;; Dictionary parameters the example cursors may refer to.
name SID;
type char (8);
initial %COLL_SERVERID;
end;
