;; bad value word
;; rc 1
;; > PPC0955E Parsing failed : Syntax error - Position = 10 Missing an ending " or ' within max word length, Text = 'abc    
;; > PPC1210E Parsing ended with errors
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
logon_id 'abc;
end;
