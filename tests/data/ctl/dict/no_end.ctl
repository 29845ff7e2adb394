;; Under trace_all the parameters and entries are listed; a file without end
;; statement is no failure.
;; rc 0
;; trace 1
;; > PDC2164I Parm Name= rdbms, Value= ORCL
;; > PDC2165I Name = A, Type = 2, len = 21, Initial =                    42.
name A;
type int64;
initial '42';
