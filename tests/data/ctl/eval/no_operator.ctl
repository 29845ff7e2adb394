eval A;
cursor SESS;
column cpu;
value 1;
end;
