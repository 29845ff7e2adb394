eval A;
threshold 5;
