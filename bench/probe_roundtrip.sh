#!/usr/bin/env bash
# End-to-end request benchmark: a real collector over a SQLite database holds
# a cursor of 100 rows and one of 10,000 rows of 400-byte records; a client
# that keeps its end open asks for them one request after the other, on both
# transports. Prints median and p99 round trips and the throughput, then the
# wall time of the probe program itself (start-up included) for each cursor.
#
#   bench/probe_roundtrip.sh [BUILD_DIR]     (default: build)
#   FORMATS="csv json table raw openmetrics" bench/probe_roundtrip.sh   (default: csv)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
for prog in collector probe probe_roundtrip; do
  [ -x "$build/$prog" ] || { echo "missing $build/$prog (build first)" >&2; exit 2; }
done
# Relative or absolute: the collector is started from the work directory.
build=$(realpath "$build")
work=$(mktemp -d /tmp/probe-bench.XXXXXX)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid"; wait "$pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

. bench/bench_env.sh
bench_setup "$work" pad 396 "printf('%0396d', n)"

for transport in pipe shm; do
  if [ $transport = pipe ]; then export COLL_USESHM=0; else export COLL_USESHM=1; fi
  (cd "$work" && exec "$build/collector" >/dev/null 2>&1) &
  pid=$!
  for _ in $(seq 100); do
    "$build/probe" -f csv BIG >/dev/null 2>&1 && break
    sleep 0.2
  done
  "$build/probe_roundtrip" SMALL 1000
  "$build/probe_roundtrip" BIG 100
  for cursor in SMALL BIG; do
    for format in ${FORMATS:-csv}; do
      python3 - "$build/probe" "$cursor" "$transport" "$format" <<'PY'
import statistics, subprocess, sys, time
probe, cursor, transport, form = sys.argv[1:]
walls = []
for _ in range(50):
    start = time.perf_counter()
    subprocess.run([probe, "-f", form, cursor], stdout=subprocess.DEVNULL, check=True)
    walls.append((time.perf_counter() - start) * 1000)
walls.sort()
print(f"transport={transport} probe -f {form} {cursor}: median_ms={statistics.median(walls):.2f} "
      f"min_ms={walls[0]:.2f} p90_ms={walls[44]:.2f}")
PY
    done
  done
  "$build/probe" SHUTDOWN
  wait "$pid"
  pid=
done
