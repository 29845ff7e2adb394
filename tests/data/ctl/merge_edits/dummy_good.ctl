;; dummy last rows need no binding: start-up passes
;; rc 0
;; grep P(BA|IN|MG)3|PCC0507
;; > PIN3265I In_list editing successful
;; > PBA3320I Base references editing successful
;; > PMG3190I Qualified name resolution successful, 0 resolved
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
dummy_last_row;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
conditional_dummy_last_row;
end;
