;; rc 1
;; > PCC3990E Invalid insert_select
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_select update t set x = 1;
fetch_exit fetchx2;
script run.sh;
end;
