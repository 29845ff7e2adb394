;; rc 1
;; > CEV1820E No host variables in INSERT
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0355E No local columns to fetch for insert
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (1);
end;
