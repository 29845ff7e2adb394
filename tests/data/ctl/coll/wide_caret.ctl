;; a length after ^ past the widest record fails the insert, and with it the block
;; rc 1
;; > PCC0026E Cursor (A). Length after ^ of column name exceeds 32767 bytes
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0355E No local columns to fetch for insert
;; > PCC0360E Cursor (A). No model INSERT statement
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (name) values (:name^40000);
interval 5;
limit 1;
end;
