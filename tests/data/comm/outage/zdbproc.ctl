process collector;
type sql*net;
server_id S1;
interval 1;
sleep 1;
process pxa;
interval 1;
end;
