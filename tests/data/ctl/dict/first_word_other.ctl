type INTEGER;
