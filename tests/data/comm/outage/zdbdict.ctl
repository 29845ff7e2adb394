name HOST;
type CHAR(8);
end;
