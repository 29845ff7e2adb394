;; rc 1
;; > PEV1295E No Column name
eval A;
cursor SESS;
operator =;
value 1;
end;
