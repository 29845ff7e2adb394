;; rc 1
;; > PCC0630E Invalid Go_home length (5)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
go_home 12345;
end;
