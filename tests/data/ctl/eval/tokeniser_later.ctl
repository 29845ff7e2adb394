;; rc 1
;; > PEV1305E Parsing failed : Syntax error - Position = 8 Missing an ending " or ' within max word length, Text = 'SESS    
eval A;
cursor 'SESS;
