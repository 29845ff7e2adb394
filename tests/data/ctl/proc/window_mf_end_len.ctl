process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Mon_Fri_end 12345;
end;
