#!/usr/bin/env bash
# Runs every fuzz target of a -DCOLLECTOR_FUZZ=ON build for a while, one after
# the other, each with its own corpus directory, and prints one line per
# target: executions, corpus size and whether it found anything. A finding
# (crash-*, leak-*, timeout-* files) is kept in the corpus directory's
# parent and makes the script fail.
#
# Usage: fuzz/run.sh [BUILD_DIR [DURATION]]   DURATION: 30s, 10m, 1h (default 10m)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
duration=${2:-10m}
case "$duration" in
  *h) seconds=$(( ${duration%h} * 3600 )) ;;
  *m) seconds=$(( ${duration%m} * 60 )) ;;
  *s) seconds=${duration%s} ;;
  *) seconds=$duration ;;
esac
work=${FUZZ_WORK:-$build/fuzz-work}
mkdir -p "$work"
work=$(cd "$work" && pwd)
build=$(cd "$build" && pwd)

failed=0
for target in "$build"/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$work/$name/corpus"
  log="$work/$name/log"
  # Messages of the code under test go to /dev/null (-close_fd_mask=3), and
  # files it writes (the error log after a wrap) to the target's work folder;
  # a finding ends the run early.
  if (cd "$work/$name" && "$target" -max_total_time="$seconds" -close_fd_mask=3 \
      -rss_limit_mb=2048 -artifact_prefix="$work/$name/" "$work/$name/corpus") >"$log" 2>&1; then
    verdict="no findings"
  else
    verdict="FINDING: $(ls "$work/$name" | grep -E '^(crash|leak|timeout|oom)-' | tr '\n' ' ')"
    failed=1
  fi
  runs=$(grep -Eo 'Done [0-9]+ runs' "$log" | grep -Eo '[0-9]+' || echo "?")
  units=$(find "$work/$name/corpus" -type f | wc -l)
  printf '%-28s %12s runs %6s corpus files  %s\n' "$name" "$runs" "$units" "$verdict"
done
exit "$failed"
