;; a type statement without a value ends the parse quietly
;; rc 0
name A;
type;
name B;
