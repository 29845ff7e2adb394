;; rc 1
;; > PCC0605E Invalid Rpc_version length (5)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
rpc_version 12345;
end;
