trace ABCDEFGHIJ SESS;
tracem ABCDEFGHIJ;
traced ABCDEFGHIJ;
show_row ABCDEFGHIJ;
show_cursor ABCDEFGHIJ;
traced DEM;
