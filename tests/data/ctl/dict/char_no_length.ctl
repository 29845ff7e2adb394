name A;
type CHAR;
