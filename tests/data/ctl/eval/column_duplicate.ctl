eval A;
column a;
column b;
