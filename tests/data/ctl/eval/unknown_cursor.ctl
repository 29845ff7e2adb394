;; reported; the next block is kept
;; rc 1
;; > PEV1230E Cursor named NOPE not found
eval A;
cursor NOPE;
column cpu;
operator =;
value 1;
eval B;
cursor SESS;
column cpu;
operator =;
value 1;
end;
