process collector;
type localhost;
interval 60;
end;
