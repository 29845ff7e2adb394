cursor R;
insert into T (x, y) values (:x, :3!);
insert_select select a, b from t [where];
fetch_exit FETCHX1t45;
script run.sh;
empty;
virtual;
end;
