;; rc 1
;; > PCC0350E Conditional_dummy_last_row and dummy_last_row are exclusive
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
dummy_last_row;
conditional_dummy_last_row;
end;
