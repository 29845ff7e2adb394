;; rc 1
;; > PEV1290E No Value specified
eval A;
cursor SESS;
column cpu;
operator =;
end;
