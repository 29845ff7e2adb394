#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Usage: scripts/deps.sh [build|test|all]   (default: all). Runs as root.
set -euo pipefail

what=${1:-all}
pkgs=(cmake ninja-build g++ pkg-config libsqlite3-dev sqlite3 unixodbc unixodbc-dev odbc-postgresql
      libmicrohttpd-dev)
case "$what" in
  build) ;;
  test|all) pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev postgresql procps util-linux
                   clang libclang-rt-14-dev systemd groff-base) ;;
  *) echo "usage: $0 [build|test|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
