process collector;
type local;
interval 60;
end;
