name A;
type;
name B;
