;; reported, parsing goes on
;; rc 1
;; > PDC2095I No Initial value, using default
;; > PDC2105E Name previously used
;; > PDC2095I No Initial value, using default
;; > PDC2180E Parsing ended with errors
name A;
type INTEGER;
name A;
type INTEGER;
end;
