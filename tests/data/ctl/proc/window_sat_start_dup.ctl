process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Saturday_start 0100;
Saturday_start 0200;
end;
