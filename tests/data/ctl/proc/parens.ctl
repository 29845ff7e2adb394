process collector;
type local;
logon_id scott;
password tiger;
interval 60;
sleep (60;
end;
