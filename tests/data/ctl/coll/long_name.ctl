cursor ABCDEFGHI;
end;
