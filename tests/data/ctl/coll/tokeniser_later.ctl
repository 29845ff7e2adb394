;; ';' inside quotes ends the statement and leaves the quote open.
;; rc 1
;; > PCC0460E Parsing failed : Syntax error - Position = 21 Missing an ending " or ' within max word length, Text = 'a    
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_where name = 'a;b';
end;
