process;
end;
