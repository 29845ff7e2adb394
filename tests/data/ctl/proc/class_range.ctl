process collector;
type local;
logon_id scott;
password tiger;
interval 60;
class 51;
end;
