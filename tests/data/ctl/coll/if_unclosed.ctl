;; rc 1
;; > PIF0100E Cursor A end encountered before expected ENDIF
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
if a = 1;
limit 5;
cursor B;
insert into T (x) values (:x);
end;
