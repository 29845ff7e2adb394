;; rc 1
;; > PCC0495E Duplicate insert_where entry
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_where a = 1;
insert_where b = 2;
end;
