;; An unknown name is reported; the names after it still count.
;; rc 1
;; > PTC4655E Cursor to trace (NOPE) not found
;; > PTC4680E Cursor on which to trace math (NOPE) not found
;; > PTC4695E Cursor on which to trace decodes (NOPE) not found
;; > PTC4705E Cursor on which to show_row (NOPE) not found
;; > PTC4715E Cursor on which to show_row (NOPE) not found
;; > PTC4755E Trace Parsing ended with errors
;; flags 1 0 0 0 0 0 0 0 0 0
trace NOPE SESS;
tracem NOPE;
traced NOPE;
show_row NOPE;
show_cursor NOPE;
