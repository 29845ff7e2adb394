;; a qualified column is refused at start-up: its feature is not built yet
;; rc 1
;; grep PCC0507
;; > PCC0507E B.x is not supported yet (cursor A)
cursor A;
insert into T (x, y) values (:x, :B.x);
interval 60;
limit 100;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
