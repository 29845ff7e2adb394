;; rc 1
;; > PCC0515E Incorrect length for mon_fri_start (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
mon_fri_start 100;
end;
