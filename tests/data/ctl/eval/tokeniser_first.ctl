;; rc 1
;; > PEV1255E Parsing failed : Syntax error - Missing an ending " or ' within max word length, Text = 'eval A    
'eval A;
