eval A;
cursor ABCDEFGHI;
