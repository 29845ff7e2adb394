;; rc 1
;; > PCC0020E Error - No columns to fetch
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (a) values (:%me);
interval 5;
limit 1;
end;
