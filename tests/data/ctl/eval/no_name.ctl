eval;
cursor SESS;
column cpu;
operator =;
value 1;
end;
