'name A;
