process collector;
type local;
logon_id scott;
password tiger;
interval 60;
logon_id 'abc;
end;
