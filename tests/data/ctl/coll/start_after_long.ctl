;; rc 1
;; > PCC0575E Invalid start_after (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
start_after 1234;
end;
