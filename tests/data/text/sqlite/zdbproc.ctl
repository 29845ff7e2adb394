process collector;
type local;
logon_id scott;
password tiger;
interval 1;
sleep 1;
process pxa;
interval 1;
end;
