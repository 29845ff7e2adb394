process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Saturday_end 80;
end;
