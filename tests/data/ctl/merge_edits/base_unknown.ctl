;; a base names an unknown cursor, itself, and a column its base cursor lacks
;; rc 1
;; grep P(BA|IN|MG)3
;; > PIN3265I In_list editing successful
;; > PBA3300E Base cursor (NOSUCH) not found, cursor A
;; > PBA3295E Can't use yourself as base cursor(A)
;; > PBA3310E Referenced column(y) not found for base B, curs->cur_name
;; > PBA3325E Base references editing failed
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
base NOSUCH on x -> x;
base A on x -> x;
base B on x -> y;
cursor B;
insert into U (x) values (:x);
interval 60;
limit 100;
end;
