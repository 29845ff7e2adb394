name A;
length 5;
