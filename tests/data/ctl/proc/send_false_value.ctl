process collector;
type local;
logon_id scott;
password tiger;
interval 60;
process evaluator;
interval 5;
send_false x;
end;
