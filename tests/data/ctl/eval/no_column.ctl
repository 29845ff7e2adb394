eval A;
cursor SESS;
operator =;
value 1;
end;
