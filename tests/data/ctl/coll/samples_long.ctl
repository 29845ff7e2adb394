;; rc 1
;; > PCC0635E Invalid Sample (5)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
samples 12345;
end;
