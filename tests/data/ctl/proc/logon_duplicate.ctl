process collector;
logon_id a b;
end;
