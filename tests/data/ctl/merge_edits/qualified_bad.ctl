;; qualified columns of an unknown cursor, of their own cursor, of their own
;; aged copy, and of a column the source lacks: each is reported
;; rc 1
;; grep PMG3
;; > PMG3165E Source cursor (NOSUCH) not found for NOSUCH.x
;; > PMG3170E Cant reference to the same cursor for A.x
;; > PMG3175E Column reference (C.x) to own aged data not allowed
;; > PMG3180E Source column (y) not found for B.y
;; > PMG3185E Qualified name resolution failed
cursor A;
insert into T (x, a, b, c, d) values (:x, :NOSUCH.x, :A.x, :C.x, :B.y);
insert_select select x from t;
interval 60;
limit 100;
age_to C;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
cursor C;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
