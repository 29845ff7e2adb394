;; rc 1
;; > LEX0130E Syntax error: invalid character sequence in expression
;; > LEX0005E If-condition parsing ended with error
;; > PIF0030E Syntax error in conditional expression  for cursor A
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
if a = ;
endif;
end;
