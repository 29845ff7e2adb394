name A;
end;
