process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Sunday_start 08000;
end;
