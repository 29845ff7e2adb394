process collector;
logon_id abcdefghijklmnopqrstuvwxyz01234567;
end;
