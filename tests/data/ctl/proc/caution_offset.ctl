process collector;
type local;
logon_id scott;
password tiger;
interval 60;
time_offset 0100;
end;
