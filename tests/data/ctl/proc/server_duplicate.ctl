process collector;
server_id a b;
end;
