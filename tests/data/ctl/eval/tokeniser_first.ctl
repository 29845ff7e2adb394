'eval A;
