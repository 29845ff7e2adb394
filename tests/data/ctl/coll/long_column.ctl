;; cut, not refused
;; rc 0
;; > PCC0025W Warning, truncating col_name cccccccccccccccccccccccccccccccccccccccccccccccccccc
cursor A;
insert into T (x) values (:cccccccccccccccccccccccccccccccccccccccccccccccccccc);
interval 5;
limit 1;
end;
