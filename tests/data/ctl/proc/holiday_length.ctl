process collector;
type local;
logon_id scott;
password tiger;
interval 60;
holiday 20/0/00/11;
end;
