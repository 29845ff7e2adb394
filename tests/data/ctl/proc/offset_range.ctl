process collector;
type local;
logon_id scott;
password tiger;
interval 60;
time_offset -2401;
end;
