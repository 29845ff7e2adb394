;; rc 1
;; > PCC0460E Parsing failed : Syntax error - Position = 19 Right parenthesis without preceeding Left parenthesis, Text = )
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
insert_where a = 1);
end;
