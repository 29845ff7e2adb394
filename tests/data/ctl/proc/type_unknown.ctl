process collector;
type odbc;
interval 60;
end;
