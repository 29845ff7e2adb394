process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process abcdefghijklmnopqrstuvwxy;
interval 5;
end;
