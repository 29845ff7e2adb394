cursor SESS;
