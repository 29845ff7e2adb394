;; rc 1
;; > PCC0675E Invalid Uuidpcvc length (36)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidpcvc 0123456789-0123456789-0123456789-012345;
end;
