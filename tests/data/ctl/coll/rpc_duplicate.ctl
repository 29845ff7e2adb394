;; rc 1
;; > PCC0600E Duplicate rpc_version
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
rpc_version 1 2;
end;
