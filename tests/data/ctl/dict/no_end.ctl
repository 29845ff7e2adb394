name A;
type int64;
initial '42';
