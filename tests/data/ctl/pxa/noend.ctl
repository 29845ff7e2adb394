;; value unclosed
;; rc 1
;; > CAT1940I [ uuidbase(1)
;; > CAT1940I uuidpavc(2
;; > CAT1930E No ending parenthesis
;; > PCC0355E No local columns to fetch for insert
;; > PCC0360E Cursor (X). No model INSERT statement
;; > PCC0365E Cursor (X). No table name found
;; > PCC0755E Parsing ended with errors
cursor X;
interval 5;
limit 1;
INSERT !NOEND;
end;
