#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it: the package
# is unpacked into a clean directory tree (dpkg -x), its files, control fields
# and maintainer scripts are checked, the unpacked programs answer --help and
# --check the packaged example, and systemd-analyze verifies the unit there.
#   scripts/test-package.sh [BUILD_DIR]
# A configured BUILD_DIR (scripts/test.sh passes its own) is only brought up
# to date; without one the programs are built in build-package.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
if [ -f "$build/CMakeCache.txt" ]; then
  cmake --build "$build" -j "$(nproc)" --target collector probe >/dev/null
else
  scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLLECTOR_TESTS=OFF \
    -DCOLLECTOR_BENCH=OFF >/dev/null
fi
rm -f "$build"/collector_*.deb
if ! (cd "$build" && cpack -G DEB >cpack.log 2>&1); then
  cat "$build/cpack.log" >&2
  exit 1
fi
deb=$(ls "$build"/collector_*_amd64.deb)
root=$(mktemp -d /tmp/collector-package.XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
fail() { echo "test-package: $*" >&2; exit 1; }

[[ $(basename "$deb") =~ ^collector_[0-9.]+_amd64\.deb$ ]] || fail "package name $(basename "$deb")"
for f in usr/bin/collector usr/bin/probe usr/share/man/man8/collector.8 usr/share/man/man1/probe.1 \
         usr/lib/systemd/system/collector.service usr/share/doc/collector/example/ctl/zdbproc.ctl \
         usr/share/doc/collector/example/demo.sql; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
[ "$(dpkg-deb -f "$deb" Package)" = collector ] || fail "package field"
dpkg-deb -f "$deb" Depends | grep -q adduser || fail "no dependency on adduser"
dpkg-deb -e "$deb" "$root/DEBIAN"
grep -q "adduser --system" "$root/DEBIAN/postinst" || fail "postinst makes no system user"
[ -x "$root/DEBIAN/postinst" ] || fail "postinst not executable"
for page in "$root"/usr/share/man/man8/collector.8 "$root"/usr/share/man/man1/probe.1; do
  [ -z "$(groff -man -ww -z "$page" 2>&1)" ] || fail "$page: $(groff -man -ww -z "$page" 2>&1)"
done

"$root/usr/bin/collector" --help | grep -q '^usage: collector' || fail "collector --help"
"$root/usr/bin/probe" --help | grep -q '^usage: probe' || fail "probe --help"
out=$(cd "$root" && env -i PATH=/usr/bin:/bin COLL_SERVERID=DEMO COLL_VERSION=zdb \
  COLL_CTL_HOME="$root/usr/share/doc/collector/example/ctl" "$root/usr/bin/collector" --check) ||
  fail "collector --check of the packaged example: $out"

# The unit as systemd reads it, its programs taken from the unpacked tree.
unit="$root/collector.service"
sed "s#=/usr/bin/#=$root/usr/bin/#" "$root/usr/lib/systemd/system/collector.service" >"$unit"
for key in Restart=on-failure User=collector ConfigurationDirectory=collector \
           StateDirectory=collector LogsDirectory=collector NoNewPrivileges=yes \
           ProtectSystem=strict PrivateTmp=yes; do
  grep -qx "$key" "$unit" || fail "unit lacks $key"
done
if ! verify=$(systemd-analyze verify --man=no "$unit" 2>&1) || [ -n "$verify" ]; then
  fail "systemd-analyze verify: $verify"
fi
echo "package $(basename "$deb") passed"
