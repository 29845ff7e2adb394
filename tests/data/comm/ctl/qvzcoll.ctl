cursor NAMES;
insert into people (id, name) values (:id, :name);
interval 1;
samples 1;
cursor BROKEN;
insert into nowhere (x) values (:x);
interval 1;
go_home 4;
end;
