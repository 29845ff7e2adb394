;; qualified columns by name and by position, a base and an in-list are bound
;; rc 0
;; grep P(BA|IN|MG)3
;; > PIN3265I In_list editing successful
;; > PBA3320I Base references editing successful
;; > PMG3190I Qualified name resolution successful, 2 resolved
cursor A;
insert into T (x, y, z) values (:x, :B.x, :B.1);
insert_select select x from t;
interval 60;
limit 100;
base B on x -> x;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
in_list L using x;
end;
