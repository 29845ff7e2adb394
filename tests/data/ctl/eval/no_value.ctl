eval A;
cursor SESS;
column cpu;
operator =;
end;
