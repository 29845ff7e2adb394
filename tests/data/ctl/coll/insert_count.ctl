;; rc 1
;; > PCC0470E On INSERT, num of cols (1) is not num HVs (2)
;; > PCC0475E Col #0 = a
;; > PCC0475E Col #1 = b
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:a, :b);
end;
