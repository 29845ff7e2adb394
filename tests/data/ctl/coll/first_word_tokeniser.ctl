;; rc 1
;; > PCC0310E Parsing failed : Syntax error - Missing an ending " or ' within max word length, Text = 'cursor A    
;; > PCC0755E Parsing ended with errors
'cursor A;
end;
