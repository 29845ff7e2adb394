;; rc 1
;; > PCC0480E Duplicate fetch_exit entry
;; > PCC0440E Fetch exit fetchx1 requires 'script' and 'select'
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
fetch_exit fetchx1;
fetch_exit fetchx2;
end;
