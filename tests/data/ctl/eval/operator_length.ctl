eval A;
operator abc;
