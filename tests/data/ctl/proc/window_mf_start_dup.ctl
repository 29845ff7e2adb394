process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Mon_Fri_start 0100;
Mon_Fri_start 0200;
end;
