;; lower case: a plain INSERT
;; rc 1
;; > CEV1820E No host variables in INSERT
;; > PCC0355E No local columns to fetch for insert
;; > PCC0365E Cursor (X). No table name found
;; > PCC0755E Parsing ended with errors
cursor X;
interval 5;
limit 1;
insert !DBSTAT;
end;
