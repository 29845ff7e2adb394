process collector;
type local;
logon_id scott;
password tiger;
interval 60;
saturday_start 0800;
end;
