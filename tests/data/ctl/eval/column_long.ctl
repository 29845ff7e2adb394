eval A;
column MAX!ccccccccccccccccccccccccccccccccc;
