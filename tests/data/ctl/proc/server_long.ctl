process collector;
server_id ssssssssssssssssssssssssssssssssss;
end;
