;; rc 1
;; > PIF0050E ELSE has no matching IF for cursor A
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
else;
end;
