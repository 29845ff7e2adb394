process collector;
type local dial;
interval 60;
end;
