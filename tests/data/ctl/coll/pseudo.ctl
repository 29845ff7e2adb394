cursor P;
insert into T (a, b, c, d, e) values (:%rowno, :%SQLCODE_x, :s.col, :%Machine, :2!);
end;
