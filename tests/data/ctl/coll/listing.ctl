;; The listing lines that depend on the cursor, under trace_all; the others
;; print a field as it is.
;; rc 0
;; trace 2
;; grep ^PSC0(070|080|085|090|095|100|105|110|115|120|135|185|195|210|215|220|225)
;; > PSC0135T Formatted data length= 7
;; > PSC0185T Mon_Fri start= 830
;; > PSC0195T Window open at 19920229000000
;; > PSC0215T History does not apply
;; > PSC0220T Demand cursor
;; > PSC0070T Has Column Function(s)
;; > PSC0080T    has Col Funct = MIN
;; > PSC0085T    has Col Funct = MAX
;; > PSC0090T    has Col Funct = AVG
;; > PSC0095T    has Col Funct = WAVG
;; > PSC0100T    has Col Funct = TREND
;; > PSC0105T    has Col Funct = SUM
;; > PSC0110T    has Col Funct = HIGH_WATER
;; > PSC0115T    has Col Funct = LOW_WATER
;; > PSC0120T    has Col Funct = COUNT
;; > PSC0185T Mon_Fri start= 0
;; > PSC0195T Window open at 20240115000000
;; > PSC0210T History applies
;; > PSC0225T Not a demand cursor
cursor L;
insert into T (x, y) values (:x, :y^7);
interval 30;
limit 2;
demand;
mon_fri_start 0830;
mon_fri_end 1700;
cursor F;
insert into T (a,b,c,d,e,f,g,h,i) values (:MIN!a, :MAX!b, :AVG!c, :WAVG!d, :TREND!e, :SUM!f, :HW!g, :LW!h, :COUNT!i);
interval 5;
limit 1;
history;
end;
