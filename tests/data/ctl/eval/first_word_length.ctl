;; not four characters
;; rc 1
;; > PEV1265E First word must be 'eval'
cursor SESS;
