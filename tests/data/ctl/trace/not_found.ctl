trace NOPE SESS;
tracem NOPE;
traced NOPE;
show_row NOPE;
show_cursor NOPE;
