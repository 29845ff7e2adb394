;; rc 1
;; > PEV1285E No Operator
eval A;
cursor SESS;
column cpu;
value 1;
end;
