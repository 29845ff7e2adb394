;; rc 1
;; > PCC0555E Incorrect length for saturday_start (4)
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
saturday_start 800;
saturday_end 02000;
sunday_start 8;
sunday_end 1;
mon_fri_start 1;
mon_fri_end 1;
end;
