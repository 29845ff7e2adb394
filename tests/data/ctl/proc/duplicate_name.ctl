process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process collector;
interval 5;
end;
