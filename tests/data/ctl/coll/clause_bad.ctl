;; a clause's own message
;; rc 1
;; > PDE3765E Invalid decode operator in sid >> 1 , x
;; > PCC0345W Using default interval of 10 seconds for cursor SESS
;; > PCC0370W Warning, Cursor (SESS) No cursor row limit, using default 1024 rows
;; > PCC0755E Parsing ended with errors
cursor SESS;
insert into SESSTAB (sid) values (:sid);
decode sid >> 1 , x;
end;
