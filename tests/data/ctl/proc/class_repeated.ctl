process collector;
type local;
logon_id scott;
password tiger;
interval 60;
class 3 3;
end;
