process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Sunday_start 0100;
Sunday_start 0200;
end;
