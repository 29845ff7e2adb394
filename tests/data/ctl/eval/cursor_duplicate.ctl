;; rc 1
;; > PEV1355E Duplicate Cursor Name
eval A;
cursor SESS;
cursor DEM;
