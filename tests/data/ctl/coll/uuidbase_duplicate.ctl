;; "a-b" then "c"
;; rc 1
;; > PCC0650E Duplicate Uuidbase
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidbase a-b c;
end;
