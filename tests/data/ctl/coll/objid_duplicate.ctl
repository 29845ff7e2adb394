;; rc 1
;; > PCC0610E Duplicate objid
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
objid 1 2;
end;
