;; rc 0
;; A false condition leaves the limit and samples written after ENDIF
cursor A;
insert into T (x) values (:x);
if a = 1;
limit 5;
endif;
if b = 2;
samples 6;
else;
samples 7;
endif;
interval 60;
limit 100;
end;
