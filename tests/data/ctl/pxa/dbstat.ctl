;; the deduced insert, and under trace the identifiers
;; rc 0
;; grep ^CAT19[7-9]
;; > CAT1970I Deduced insert: INSERT INTO DBSTAT (HOST , CNT , SYSTEMNAME ) VALUES (:HOST , :INT!CNT , :%machine ) 
;; > CAT1975T Objid = 17, set = 2, rpc_version = 1
;; > CAT1980T Uuidbase = 0001
;; > CAT1985T Uuidpavc = 0002
;; > CAT1990T Uuidpcvc = 0003
cursor X;
interval 5;
limit 1;
trace;
INSERT !DBSTAT;
end;
