#!/usr/bin/env bash
# Exporter benchmark: a real collector over a SQLite database holds a cursor
# of 100 rows and one of 10,000 rows; for each, the scrape latency of an
# exporter (probe --listen, asking for that cursor alone) is measured beside
# the probe's own request for the same rows (probe -f openmetrics, a process
# per request, as an agent runs it). Prints median and p99 of both, on both
# transports.
#
#   bench/exporter_scrape.sh [BUILD_DIR] [SCRAPES]    (default: build 200)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
scrapes=${2:-200}
for prog in collector probe; do
  [ -x "$build/$prog" ] || { echo "missing $build/$prog (build first)" >&2; exit 2; }
done
work=$(mktemp -d /tmp/exporter-bench.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

. bench/bench_env.sh
bench_setup "$work" name 40 "printf('row %d', n)"

port=$((20000 + RANDOM % 20000))
for transport in pipe shm; do
  if [ $transport = pipe ]; then export COLL_USESHM=0; else export COLL_USESHM=1; fi
  (cd "$work" && exec "$build/collector" >/dev/null 2>&1) &
  pids=($!)
  for _ in $(seq 100); do
    "$build/probe" -f csv BIG >/dev/null 2>&1 && break
    sleep 0.2
  done
  for cursor in SMALL BIG; do
    port=$((port + 1))
    "$build/probe" --listen "127.0.0.1:$port" --cursors $cursor &
    pids+=($!)
    n=$scrapes
    [ $cursor = BIG ] && n=$((scrapes / 5))
    python3 - "$build/probe" "$cursor" "$port" "$n" "$transport" <<'PY'
import http.client, statistics, subprocess, sys, time
probe, cursor, port, n, transport = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
def scrape():
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
    c.request("GET", "/metrics")
    body = c.getresponse().read()
    c.close()
    return body
for _ in range(100):
    try:
        scrape(); break
    except OSError:
        time.sleep(0.1)
def measure(f):
    f()  # the first asks the layout too
    t = []
    for _ in range(n):
        s = time.perf_counter(); f(); t.append((time.perf_counter() - s) * 1000)
    t.sort()
    return statistics.median(t), t[min(len(t) - 1, int(len(t) * 0.99))]
def ask():
    subprocess.run([probe, "-f", "openmetrics", cursor], check=True, stdout=subprocess.DEVNULL)
sm, sp = measure(scrape)
pm, pp = measure(ask)
print(f"{transport:4} {cursor:5} n={n:4}  scrape median {sm:8.2f} ms p99 {sp:8.2f} ms   "
      f"probe -f openmetrics median {pm:8.2f} ms p99 {pp:8.2f} ms   scrape/probe {sm / pm:5.2f}")
PY
  done
  "$build/probe" SHUTDOWN || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  pids=()
done
