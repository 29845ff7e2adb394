;; The whole output, banners and the file search included.
;; raw
;; rc 1
;; > UOI0025I File $DIR/zdbcoll.ctl opened
;; > PCC0275I --------------------------------------------------------------
;; > PCC0280I -- Starting parse of COLLECT.CTL -- Time = 2024/01/15 10:00:00
;; > PCC0285I --------------------------------------------------------------
;; > PCC0730E Missing end statement
;; > PCC0735I --------------------------------------------------------------
;; > PCC0740I --  Collector Parsing ended at 2024/01/15 10:00:00
;; > PCC0745I --------------------------------------------------------------
;; > PCC0755E Parsing ended with errors
cursor A;
insert into T (x) values (:x);
interval 60;
limit 100;
