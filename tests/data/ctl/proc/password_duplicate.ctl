process collector;
password a;
password b;
end;
