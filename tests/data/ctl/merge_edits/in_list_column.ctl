;; an in-list over a column its cursor does not have stops start-up
;; rc 1
;; grep P(BA|IN|MG)3
;; > PIN3260E Referenced column(y) not found for in_list L, Cursor A
;; > PIN3270E In_list editing failed
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
in_list L using y;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
