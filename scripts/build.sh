#!/usr/bin/env bash
# Configures and builds one build directory. The configure output is shown
# only when configuring fails.
# Usage: scripts/build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
mkdir -p "$dir"
if ! cmake -S . -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1; then
  cat "$dir/configure.log" >&2
  echo "configuring $dir failed (log: $dir/configure.log)" >&2
  exit 1
fi
cmake --build "$dir" -j "$(nproc)"
