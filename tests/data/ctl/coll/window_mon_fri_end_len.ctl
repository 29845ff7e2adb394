;; rc 1
;; > PCC0525E Incorrect length for mon_fri_end (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
mon_fri_end 100;
end;
