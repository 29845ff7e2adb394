;; rc 1
;; > PIF0180E Can not acquire memory
;; > PIF0120E IF-tree for cursor A not valid
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
if a = 1;
samples 1;
endif;
if a = 2;
samples 2;
endif;
if a = 3;
samples 3;
endif;
if a = 4;
samples 4;
endif;
if a = 5;
samples 5;
endif;
if a = 6;
samples 6;
endif;
if a = 7;
samples 7;
endif;
if a = 8;
samples 8;
endif;
if a = 9;
samples 9;
endif;
if a = 10;
samples 10;
endif;
if a = 11;
samples 11;
endif;
limit 100;
end;
