;; a math column is refused at start-up: its feature is not built yet
;; rc 1
;; grep PCC0507
;; > PCC0507E math is not supported yet (cursor A)
cursor A;
insert into T (x, y) values (:x, :y);
interval 60;
limit 100;
math decimal 1 y ( x * 2 );
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
