-- The example database: a few tables shaped like a database server's own
-- statistics, so the example cursors have something to watch.
CREATE TABLE sysstat (name VARCHAR2(40), value NUMBER(15,0));
INSERT INTO sysstat VALUES ('logons cumulative', 1520);
INSERT INTO sysstat VALUES ('user commits', 98231);
INSERT INTO sysstat VALUES ('user rollbacks', 112);
INSERT INTO sysstat VALUES ('physical reads', 7733410);
INSERT INTO sysstat VALUES ('physical writes', 1203344);
INSERT INTO sysstat VALUES ('parse count (total)', 450012);

CREATE TABLE sessions (sid INTEGER, username VARCHAR2(30), status VARCHAR2(8),
                       logon_time DATE, cpu_secs NUMBER(10,2));
INSERT INTO sessions VALUES (11, 'SYS', 'ACTIVE', '2026-12-01 08:00:00', 12.5);
INSERT INTO sessions VALUES (27, 'APP', 'INACTIVE', '2026-12-04 09:15:30', 310.25);
INSERT INTO sessions VALUES (31, 'APP', 'ACTIVE', '2026-12-05 10:02:11', 75.0);
INSERT INTO sessions VALUES (44, 'REPORTS', 'INACTIVE', '2026-12-05 11:45:00', 3.75);

CREATE TABLE tablespaces (name VARCHAR2(30), total_mb NUMBER(10,0), used_mb NUMBER(10,0));
INSERT INTO tablespaces VALUES ('SYSTEM', 2048, 1730);
INSERT INTO tablespaces VALUES ('SYSAUX', 4096, 2210);
INSERT INTO tablespaces VALUES ('USERS', 10240, 8890);
INSERT INTO tablespaces VALUES ('TEMP', 8192, 120);
