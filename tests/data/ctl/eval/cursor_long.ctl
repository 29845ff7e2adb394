;; rc 1
;; > PEV1360E Excessive length on Cursor Name
eval A;
cursor ABCDEFGHI;
