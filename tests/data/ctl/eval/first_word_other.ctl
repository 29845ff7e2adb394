name A;
