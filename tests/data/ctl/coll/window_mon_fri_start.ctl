;; rc 1
;; > PCC0510E Duplicate mon_fri_start specification
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
mon_fri_start 0100;
mon_fri_start 0200;
end;
