;; every clause kind on real cursor blocks; loads are parsed after the file
cursor SESS;
insert into SESSTAB (sid, cpu, busy, host) values (:sid, :cpu, :busy, :host);
interval 60;
limit 10;
pre_cursor TOTALS;
in_list SIDS using sid;
base PREV on sid -> sid;
math decimal 1 pct ( busy * 100 )
  / cpu;
decode host = 'a' , 'alpha';
decode host DEFAULT 'other';
column_exit host r_justify;
column_exit host substr ( 1 , 4 );
set_len host 16;
load sum cpu -> TOTALS.cpu where host = 'a';
cursor PREV;
insert into PREVTAB (sid) values (:sid);
iterate SESS;
iterate_where sid > 0;
cursor TOTALS;
insert into TOT (cpu) values (:cpu);
virtual;
end;
