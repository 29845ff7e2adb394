process collector;
type local;
logon_id scott;
password tiger;
interval 60;
holiday 20300101;
end;
