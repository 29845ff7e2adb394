;; a record past the widest one a probe can take
;; rc 1
;; > PCC0367E Cursor (A). Record length 40016 exceeds 32767 bytes
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (a, b, c) values (:a^20000, :b^20000, :TS!c);
interval 5;
limit 1;
end;
