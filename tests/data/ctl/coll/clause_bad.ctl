cursor SESS;
insert into SESSTAB (sid) values (:sid);
decode sid >> 1 , x;
end;
