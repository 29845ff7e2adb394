eval A;
cursor 'SESS;
