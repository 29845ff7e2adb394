CURSOR W;
insert into T (x) values (:x);
end;
