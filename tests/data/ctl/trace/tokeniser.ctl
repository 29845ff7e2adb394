;; A tokeniser error.
;; rc 1
;; > PTC4630E Parsing failed : Syntax error - Position = 7 Missing an ending " or ' within max word length, Text = 'SESS    
;; > PTC4755E Trace Parsing ended with errors
;; flags 0 0 0 0 0 0 0 0 0 0
trace 'SESS;
trace DEM;
