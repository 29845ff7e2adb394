process collector;
type sql*net;
logon_id a;
password b;
interval 60;
end;
