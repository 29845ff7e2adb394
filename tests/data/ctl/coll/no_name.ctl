;; No name at all: the messages without one.
;; rc 1
;; > PCC0445E No Cursor name supplied
;; > PCC0327E No cursor name
;; > PCC0345W Using default interval of 10 seconds for cursor 
;; > PCC0355E No local columns to fetch for insert
;; > PCC0360E No model INSERT statement
;; > PCC0365E No table name found
;; > PCC0370W Warning, No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor;
end;
