process collector;
type local;
logon_id scott;
password tiger;
interval 60;
continuous maybe;
end;
