#!/usr/bin/env bash
# The main job: builds the collector and runs it on the bundled example control
# directory against the example SQLite database, answering probe requests until
# it is stopped (Ctrl-C, or `scripts/probe.sh SHUTDOWN` from another terminal).
#
#   scripts/run.sh            run in the foreground
#   scripts/run.sh --demo     start it, ask it a few questions with the probe, stop it
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
scripts/build.sh build -DCOLLECTOR_TESTS=OFF -DCOLLECTOR_BENCH=OFF
source scripts/example-env.sh

rm -f "$COLL_DBHOME/$COLL_SERVERID.db"
sqlite3 "$COLL_DBHOME/$COLL_SERVERID.db" < example/demo.sql

if [ "${1:-}" != "--demo" ]; then
  echo "collector: print file $COLL_OUT/$(hostname)_db_${COLL_SERVERID}_col.out"
  echo "ask it from another terminal: scripts/probe.sh SYSSTAT   (or C-STATUS, D-STATUS, SHUTDOWN)"
  exec build/collector
fi

build/collector &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
sleep 3
for req in SYSSTAT SESSIONS C-STATUS; do
  echo "== probe $req"
  build/probe "$req" || true
done
build/probe SHUTDOWN || true
wait $pid
trap - EXIT
