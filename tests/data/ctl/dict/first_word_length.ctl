initial 1;
