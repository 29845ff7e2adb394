name A;
type 'CHAR;
