;; required process
;; rc 1
;; > PPC1230E Must have a process named 'collector'
process pxa;
interval 5;
end;
