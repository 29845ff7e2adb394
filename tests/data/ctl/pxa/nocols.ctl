;; interface only
;; rc 1
;; > CAT1940I [ uuidbase(1)
;; > CAT1940I uuidpavc(2)
;; > CAT1940I uuidpcvc(3) (1)
;; > CAT1940I interface t
;; > CAT1940I objid(1)
;; > CAT1940I set(1)
;; > CAT1960E Did not find DS column(s)
;; > PCC0355E No local columns to fetch for insert
;; > PCC0360E Cursor (X). No model INSERT statement
;; > PCC0365E Cursor (X). No table name found
;; > PCC0755E Parsing ended with errors
cursor X;
interval 5;
limit 1;
INSERT !NOCOLS;
end;
