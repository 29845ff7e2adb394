eval A;
cursor SESS;
cursor DEM;
