name HOST;
type CHAR(8);
name who;
type CHAR(8);
name total;
type CHAR(12);
end;
