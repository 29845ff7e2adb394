Trace SESS;
trace DEM;
