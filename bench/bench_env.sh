# Set-up shared by the end-to-end benchmarks (sourced, not run).
#
# bench_setup WORK COLUMN WIDTH EXPR: makes in WORK a SQLite database B1 with a
# 100-row table `small` (n, name) and a 10,000-row table `big` (n, COLUMN of
# VARCHAR(WIDTH) filled by the SQL expression EXPR over n), the control files
# of a collector holding cursors SMALL and BIG (one sample each, a pxa service
# every second), and exports the collector's environment pointing at WORK.
bench_setup() {
  local work=$1 column=$2 width=$3 expr=$4
  sqlite3 "$work/B1.db" <<SQL
CREATE TABLE small(n INTEGER, name VARCHAR(40));
CREATE TABLE big(n INTEGER, $column VARCHAR($width));
WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < 10000)
INSERT INTO big SELECT n, $expr FROM s;
INSERT INTO small SELECT n, printf('row %d', n) FROM big WHERE n <= 100;
SQL
  cat > "$work/zdbproc.ctl" <<'CTL'
process collector;
type local;
logon_id bench;
password bench;
interval 30;
process pxa;
interval 1;
end;
CTL
  cat > "$work/zdbcoll.ctl" <<CTL
cursor SMALL;
insert into small (n, name) values (:INT!n, :name^40);
interval 30;
samples 1;
cursor BIG;
insert into big (n, $column) values (:INT!n, :$column^$width);
interval 30;
samples 1;
limit 20000;
end;
CTL
  printf 'name HOST;\ntype CHAR(8);\nend;\n' > "$work/zdbdict.ctl"
  export COLL_CTL_HOME=$work COLL_HOME=$work COLL_OUT=$work COLL_DBHOME=$work COLL_PREFIX=$work
  export COLL_PREFIX_LOCAL=$work COLL_SERVERID=B1 COLL_VERSION=zdb COLL_HOSTNAME=bench
}
