;; rc 1
;; > PCC0665E Invalid Uuidpavc length (36)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidpavc 0123456789-0123456789-0123456789-012345;
end;
