;; bad first word
;; rc 1
;; > PPC0775E Parsing failed : Syntax error - Missing an ending " or ' within max word length, Text = 'process collector    
;; > PPC1210E Parsing ended with errors
'process collector;
end;
