;; four, not eval
;; rc 1
;; > PEV1270E First word must be 'eval'
name A;
