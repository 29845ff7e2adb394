process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Mon_Fri_start 1;
end;
