name A;
type CHAR(4096);
