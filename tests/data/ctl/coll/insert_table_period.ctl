;; rc 1
;; > PCC0720E Invalid table name format
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0360E Cursor (A). No model INSERT statement
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into s.t (x) values (:xy.);
end;
