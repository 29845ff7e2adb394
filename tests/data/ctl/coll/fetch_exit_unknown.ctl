;; rc 1
;; > PCC0485E Fetch exit routine not known
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
fetch_exit fetchy;
end;
