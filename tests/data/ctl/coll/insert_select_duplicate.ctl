;; rc 1
;; > PCC0500E Duplicate insert_select entry
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_select select 1;
insert_select select 2;
end;
