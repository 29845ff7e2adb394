eval A;
column cpu;
operator =;
value 1;
end;
