;; rc 1
;; > PDC2060E Parsing failed : Syntax error - Missing an ending " or ' within max word length, Text = 'name A    
;; > PDC2180E Parsing ended with errors
'name A;
