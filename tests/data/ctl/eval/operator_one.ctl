;; "!=" begins with a lone "!"
;; rc 1
;; > PEV1320E Invalid operator
eval A;
operator !=;
