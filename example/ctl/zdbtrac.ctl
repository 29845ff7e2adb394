;; No cursor is traced in the example; name one to see its rows in the print file.
end;
