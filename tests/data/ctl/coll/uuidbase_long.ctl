;; rc 1
;; > PCC0655E Invalid Uuidbase length (36)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidbase 0123456789-0123456789-0123456789-012345;
end;
