Name A;
