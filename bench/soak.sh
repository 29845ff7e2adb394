#!/usr/bin/env bash
# Soak: the collector built with AddressSanitizer runs 100 cursors of 100 rows
# each every second from a SQLite database for a long stretch; every 10
# seconds its resident memory and the CPU time of the last 10 seconds are
# printed, and at the end what the leak checker found. Memory should stay
# flat and the CPU time per pass constant. Not part of the test suite.
# Usage: bench/soak.sh [BUILD_DIR] [SECONDS]   (defaults: build-asan, 600)
# SOAK_ASAN_OPTIONS replaces the sanitizer options: the default quarantine
# holds 256 MB of freed blocks, so memory climbs for the first minutes before
# it can show a trend; quarantine_size_mb=16 shows one sooner.
# The build: cmake -S . -B build-asan -G Ninja -DCOLLECTOR_SANITIZE=ON -DCOLLECTOR_BENCH=OFF
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
seconds=${2:-600}
collector=$(realpath "$build/collector")
work=$(mktemp -d /tmp/soak.XXXXXX)
pid=
cleanup() {
  if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

cursors=100
rows=100

python3 - "$work/SOAK.db" "$cursors" "$rows" <<'EOF'
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
logon_id soak;
password soak;
interval 1;
sleep 1;
continuous Y;
end;
EOF

printf 'name HOST;\ntype CHAR(8);\nend;\n' >"$work/qvzdict.ctl"

{
  for ((n = 0; n < cursors; n++)); do
    printf 'cursor C%03d;\n' "$n"
    printf 'insert into stats (id, name, val) values (:id, :name, :val);\n'
    printf 'insert_where grp = %d;\n' "$n"
    printf 'interval 1;\nsamples 2;\n'
  done
  printf 'go_home %d;\n' $((seconds + 5))
  printf 'end;\n'
} >"$work/qvzcoll.ctl"

cd "$work"
env -i PATH=/usr/bin:/bin HOME="$work" PWD="$work" USER=soak COLL_HOSTNAME=soak \
  COLL_OUT="$work" COLL_PREFIX="$work" TZ=UTC COLL_WRAPLINES=0 \
  ASAN_OPTIONS="${SOAK_ASAN_OPTIONS:-detect_leaks=1}" \
  "$collector" -rdbms SOAK -dbtype qvz >"$work/console" 2>&1 &
pid=$!

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep 5
if ! kill -0 "$pid" 2>/dev/null; then
  echo "soak: the collector stopped during start-up:" >&2
  tail -n 20 "$work"/*col.out "$work/console" >&2 || true
  exit 1
fi
printf '%6s %10s %10s %12s\n' seconds rss_kb hwm_kb cpu_ms_10s
last_cpu=$(cpu_ticks)
for ((t = 10; t <= seconds; t += 10)); do
  sleep 10
  kill -0 "$pid" 2>/dev/null || break
  cpu=$(cpu_ticks)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
  printf '%6d %10d %10d %12d\n' "$t" "$rss" "$hwm" $(((cpu - last_cpu) * 1000 / ticks))
  last_cpu=$cpu
done
wait "$pid" && status=0 || status=$?
pid=
failed=$(cat "$work"/*col.out | grep -c 'CGN1521E' || true)
# The sanitizer writes to standard error, which is the log file after start-up.
cat "$work/console" "$work"/*col.log >"$work/stderr" 2>/dev/null || true
leaks=$(grep -c 'ERROR: LeakSanitizer' "$work/stderr" || true)
errors=$(grep -c 'ERROR: AddressSanitizer' "$work/stderr" || true)
echo "exit status $status; failed cursor runs $failed; leak reports $leaks; memory errors $errors"
if ((leaks + errors > 0)); then grep -A12 'ERROR:' "$work/stderr" | head -60; fi
