;; rc 1
;; > PCC0390E Empty and Once are incompatable
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
empty;
once;
end;
