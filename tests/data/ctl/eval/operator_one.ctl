eval A;
operator !=;
