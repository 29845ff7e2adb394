cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
uuidpcvc 0123456789-0123456789-0123456789-012345;
end;
