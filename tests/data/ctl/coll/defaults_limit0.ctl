;; 0 is no limit
;; env COLL_ZDB_LIMIT=0
;; rc 0
;; > PCC0345W Using default interval of 10 seconds for cursor W
;; > PCC0371W Warning, Cursor (W) No cursor row limit, using (1024) rows
CURSOR W;
insert into T (x) values (:x);
end;
