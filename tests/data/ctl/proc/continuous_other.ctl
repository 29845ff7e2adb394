process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process pxa;
interval 5;
continuous Y;
end;
