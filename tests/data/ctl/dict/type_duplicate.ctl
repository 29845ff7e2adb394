name A;
type INTEGER;
type FLOAT;
