;; After a statement error only cursor and end are read; B's interval is skipped.
;; rc 1
;; > PCC0700E Excessive Class value
;; > PCC0345W Using default interval of 10 seconds for cursor B
;; > PCC0355E No local columns to fetch for insert
;; > PCC0360E Cursor (B). No model INSERT statement
;; > PCC0365E Cursor (B). No table name found
;; > PCC0370W Warning, Cursor (B) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
class 99;
interval 5;
cursor B;
interval 5;
end;
