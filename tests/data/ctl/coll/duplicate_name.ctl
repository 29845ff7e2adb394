;; returns at once
;; rc 1
;; > PCC0455E Duplicate cursor name A
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
cursor A;
end;
