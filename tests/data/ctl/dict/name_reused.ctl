name A;
type INTEGER;
name A;
type INTEGER;
end;
