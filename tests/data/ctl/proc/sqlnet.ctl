process collector;
type SQL*NET;
logon_id a;
password b;
server_id ORCL;
interval 60;
machine_id host1;
end;
