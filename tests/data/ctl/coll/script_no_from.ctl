;; rc 1
;; > PCC4000E Bad insert_select text
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_select select x, y;
fetch_exit fetchx2;
script run.sh;
end;
