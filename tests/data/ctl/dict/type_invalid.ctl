name A;
type DATE;
