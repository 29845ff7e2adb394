trace 'SESS;
trace DEM;
