eval A;
operator <~;
