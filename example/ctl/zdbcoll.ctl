;; Three example cursors over the example database's statistics tables.
cursor SYSSTAT;
insert into sysstat (name, value)
  values (:name^40, :INT64!value);
interval 10;
samples 3;
cursor SESSIONS;
insert into sessions (sid, username, status, logon_time, cpu_secs)
  values (:INT!sid, :username^30, :status^8, :logon_time^20, :FLOAT!cpu_secs);
interval 10;
cursor TBSPACE;
insert into tablespaces (name, total_mb, used_mb)
  values (:name^30, :INT!total_mb, :INT!used_mb);
interval 30;
end;
