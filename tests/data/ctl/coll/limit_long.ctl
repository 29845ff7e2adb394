;; rc 1
;; > PCC0625E Invalid Limit length (6)
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 123456;
end;
