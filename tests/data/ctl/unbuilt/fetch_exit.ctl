;; a fetch exit is refused at start-up: its feature is not built yet
;; rc 1
;; grep PCC0507
;; > PCC0507E fetch_exit is not supported yet (cursor A)
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_select select x from t;
fetch_exit fetchx1;
script run.sh;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
