name A;
type CHAR(0);
end;
