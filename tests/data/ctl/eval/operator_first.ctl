eval A;
operator ~=;
