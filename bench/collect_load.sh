#!/usr/bin/env bash
# Collection load: the collector runs 100 cursors of 100 rows each every 10
# seconds from a SQLite database; its CPU time and resident memory are read
# from /proc over a measured stretch of real time after start-up.
# Usage: bench/collect_load.sh [BUILD_DIR] [SECONDS]   (defaults: build, 70)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-70}
collector=$(realpath "$build/collector")
work=$(mktemp -d /tmp/collect_load.XXXXXX)
trap 'rm -rf "$work"' EXIT

cursors=100
rows=100

# 100 groups of 100 rows; cursor N selects group N.
python3 - "$work/BENCH.db" "$cursors" "$rows" <<'EOF'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
groups, rows = int(sys.argv[2]), int(sys.argv[3])
db.execute("CREATE TABLE stats(grp INTEGER, id INTEGER, name VARCHAR(30), val NUMBER(12,2))")
db.executemany("INSERT INTO stats VALUES(?,?,?,?)",
               ((g, i, "object_%d_%d" % (g, i), g * 1000 + i * 0.25)
                for g in range(groups) for i in range(rows)))
db.commit()
EOF

cat >"$work/qvzproc.ctl" <<EOF
process collector;
type local;
logon_id bench;
password bench;
interval 10;
sleep 10;
continuous Y;
end;
EOF

printf 'name HOST;\ntype CHAR(8);\nend;\n' >"$work/qvzdict.ctl"

{
  for ((n = 0; n < cursors; n++)); do
    printf 'cursor C%03d;\n' "$n"
    printf 'insert into stats (id, name, val) values (:id, :name, :val);\n'
    printf 'insert_where grp = %d;\n' "$n"
    printf 'interval 10;\nsamples 1;\n'
  done
  # Stop by itself shortly after the measurement.
  printf 'go_home %d;\n' $((seconds + 15))
  printf 'end;\n'
} >"$work/qvzcoll.ctl"

cd "$work"
env -i PATH=/usr/bin:/bin HOME="$work" PWD="$work" USER=bench COLL_HOSTNAME=bench \
  COLL_OUT="$work" COLL_PREFIX="$work" TZ=UTC \
  "$collector" -rdbms BENCH -dbtype qvz >"$work/console" 2>&1 &
pid=$!

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
# Let start-up and the first collection pass finish before measuring.
sleep 5
if ! kill -0 "$pid" 2>/dev/null; then
  echo "collect_load: the collector stopped during start-up:" >&2
  tail -n 20 "$work"/*col.out "$work/console" >&2 || true
  exit 1
fi
start_cpu=$(cpu_ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_cpu=$(cpu_ticks)
end_ns=$(date +%s%N)
rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
hwm_kb=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
wait "$pid" || true

failed=$(cat "$work"/*col.out | grep -c 'CGN1521E' || true)
elapsed=$(awk -v a="$start_ns" -v b="$end_ns" 'BEGIN {printf "%.1f", (b - a) / 1e9}')
awk -v c=$((end_cpu - start_cpu)) -v t="$ticks" -v e="$elapsed" -v r="$rss_kb" -v h="$hwm_kb" \
  -v n="$cursors" -v m="$rows" -v f="$failed" 'BEGIN {
  cpu = c / t
  printf "collect_load: %d cursors x %d rows every 10 s, measured %.1f s\n", n, m, e
  printf "  cpu time     %.2f s  (%.3f%% of one core)\n", cpu, 100 * cpu / e
  printf "  resident     %.1f MiB now, %.1f MiB peak\n", r / 1024, h / 1024
  printf "  failed runs  %d\n", f
}'
