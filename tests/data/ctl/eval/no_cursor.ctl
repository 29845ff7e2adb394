;; rc 1
;; > PEV1280E No Cursor name
eval A;
column cpu;
operator =;
value 1;
end;
