;; An overlong name ends its statement; the next statements are read.
;; rc 1
;; > PTC4645E Trace cursor name too long : ABCDEFGHIJ
;; > PTC4670E Tracem cursor name too long : ABCDEFGHIJ
;; > PTC4685E Traced cursor name too long : ABCDEFGHIJ
;; > PTC4700E Show_row cursor name too long : ABCDEFGHIJ
;; > PTC4710E Show_cursor cursor name too long : ABCDEFGHIJ
;; > PTC4755E Trace Parsing ended with errors
;; flags 0 0 0 0 0 0 0 1 0 0
trace ABCDEFGHIJ SESS;
tracem ABCDEFGHIJ;
traced ABCDEFGHIJ;
show_row ABCDEFGHIJ;
show_cursor ABCDEFGHIJ;
traced DEM;
