process pxa;
interval 5;
end;
