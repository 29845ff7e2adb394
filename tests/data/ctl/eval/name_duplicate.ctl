eval A;
name B;
