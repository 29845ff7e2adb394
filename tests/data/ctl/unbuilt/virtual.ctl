;; a virtual cursor is refused at start-up: its feature is not built yet
;; rc 1
;; grep PCC0507
;; > PCC0507E virtual is not supported yet (cursor A)
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
virtual;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
