;; rc 1
;; > PDC2110E Parsing failed : Syntax error - Position = 6 Missing an ending " or ' within max word length, Text = 'CHAR    
;; > PDC2180E Parsing ended with errors
name A;
type 'CHAR;
