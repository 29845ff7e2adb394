process collector;
logon_id a;
password b;
interval 60;
end;
