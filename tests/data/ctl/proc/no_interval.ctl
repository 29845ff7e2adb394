process collector;
type local;
logon_id a;
password b;
end;
