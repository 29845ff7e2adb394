cursor NAMES;
insert into people (id, name) values (:INT!id, :name^8);
interval 1;
samples 1;
end;
