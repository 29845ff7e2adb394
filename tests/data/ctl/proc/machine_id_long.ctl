process collector;
type local;
logon_id scott;
password tiger;
interval 60;
machine_id mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm;
end;
