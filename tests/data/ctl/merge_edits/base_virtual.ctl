;; a virtual cursor cannot be a base
;; rc 1
;; grep PBA3
;; > PBA3305E Base cursor (B) cannot be a virtual table, cursor A
;; > PBA3325E Base references editing failed
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
base B on x -> x;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
virtual;
end;
