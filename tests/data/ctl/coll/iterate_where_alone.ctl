;; rc 1
;; > PCC0415E ITERATE_WHERE requires ITERATE
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
iterate_where x = 'a';
end;
