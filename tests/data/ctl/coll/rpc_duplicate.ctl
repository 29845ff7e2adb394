cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
rpc_version 1 2;
end;
