eval Busy;
cursor LOADS;
column cpu;
operator >;
value 80;
end;
