;; an interval cursor and a demand cursor
cursor SESS;
insert into SESSTAB (sid, cpu, name)
  values (:sid, :AVG!INT!cpu^12, :name);
insert_where status = 'ACTIVE';
interval 60;
limit 500;
class 3;
history;
saturday_start 0800;
saturday_end 0200;
uuidbase 0001-aa-bb;
objid 17;
set 2;
rpc_version 1;
samples 5;
trace;
cursor DEM;
insert into v$x (a, b) values (:a, :a);
table_name PROBE_T;
Demand;
stale 30;
time 600;
age_to SESS;
END;
ignored after the end;
