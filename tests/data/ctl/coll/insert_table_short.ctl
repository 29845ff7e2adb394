;; rc 1
;; > PCC0715E Invalid table name format
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0355E No local columns to fetch for insert
;; > PCC0360E Cursor (A). No model INSERT statement
;; > PCC0365E Cursor (A). No table name found
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into a. (x) values (:x);
end;
