#!/usr/bin/env bash
# Builds the collector and passes every test: first a plain build, then the
# same suite built with AddressSanitizer and UndefinedBehaviorSanitizer, then
# the fuzz targets (clang), each run for a few seconds so they cannot rot.
# A throwaway PostgreSQL server serves the ODBC tests for the whole run.
#   scripts/test.sh           everything, both builds (what CI runs)
#   scripts/test.sh --quick   the plain build and the unit tests only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

if [ "${1:-}" = "--quick" ]; then
  scripts/check-deps.py
  scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLLECTOR_WERROR=ON
  ctest --test-dir build --output-on-failure -j "$(nproc)" -L unit
  echo "unit tests passed"
  exit 0
fi

# No include may point up the folder order of src/LAYERS.
scripts/check-deps.py

scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLLECTOR_WERROR=ON
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DCOLLECTOR_SANITIZE=ON -DCOLLECTOR_BENCH=OFF \
  -DCOLLECTOR_WERROR=ON
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DCOLLECTOR_FUZZ=ON -DCOLLECTOR_WERROR=ON

if [ -x scripts/pg-server.sh ]; then
  pgdir=$(mktemp -d /tmp/collector-pg.XXXXXX)
  # The server goes whatever ends the run: failed tests, errors, interrupts.
  trap 'scripts/pg-server.sh stop "$pgdir" || true; rm -rf "$pgdir"' EXIT
  trap 'exit 130' INT TERM
  # Assigned first so that a failed start stops the run (eval alone would not).
  pgenv=$(scripts/pg-server.sh start "$pgdir")
  eval "$pgenv"
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build --output-on-failure -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
fuzz/run.sh build-fuzz 5s
# The Debian package of the plain build, unpacked and its unit verified.
scripts/test-package.sh build
echo "all tests passed"
