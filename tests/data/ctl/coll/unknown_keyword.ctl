;; rc 1
;; > PCC0315E Unknown keyword (intervall)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
intervall 5;
end;
