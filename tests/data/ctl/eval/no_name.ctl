;; rc 1
;; > PEV1275E No Evaluation name
eval;
cursor SESS;
column cpu;
operator =;
value 1;
end;
