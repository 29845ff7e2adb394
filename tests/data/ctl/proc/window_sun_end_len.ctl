process collector;
type local;
logon_id scott;
password tiger;
interval 60;
Sunday_end 8;
end;
