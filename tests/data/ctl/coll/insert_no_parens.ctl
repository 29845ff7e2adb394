;; rc 1
;; > CEV1825E Insert parentheses dont match-up
;; > PCC0345W Using default interval of 10 seconds for cursor A
;; > PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T values :x;
end;
