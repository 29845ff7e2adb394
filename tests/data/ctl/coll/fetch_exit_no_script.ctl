;; rc 1
;; > PCC0440E Fetch exit fetchxi1 requires 'script' and 'select'
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
fetch_exit fetchxi1;
end;
