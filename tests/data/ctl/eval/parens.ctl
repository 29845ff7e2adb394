eval A;
value (5;
