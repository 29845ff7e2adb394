;; The whole output, banners and the file search included.
;; raw
;; rc 1
;; > UOI0025I File $DIR/zdbproc.ctl opened
;; > PPC0740I --------------------------------------------------------------
;; > PPC0745I -- Starting parse of PROCESS.CTL -- Time = 2024/01/15 10:00:00
;; > PPC0750I --------------------------------------------------------------
;; > PPC1185E Missing end statement
;; > PPC1190I --------------------------------------------------------------
;; > PPC1205I --  Process Parsing ended at 2024/01/15 10:00:00
;; > PPC1200I --------------------------------------------------------------
;; > PPC1210E Parsing ended with errors
;; > 
;; end of file
process collector;
type local;
logon_id scott;
password tiger;
interval 60;
