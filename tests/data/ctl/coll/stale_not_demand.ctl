;; rc 1
;; > PCC0340E Error - Stale only valid with demand cursor
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
stale 5;
end;
