# The environment of the example collector and of the probe that talks to it.
# Sourced by scripts/run.sh and scripts/probe.sh.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export COLL_CTL_HOME="$root/example/ctl"
export COLL_HOME="$root/example/ctl"
export COLL_OUT="$root/out"
export COLL_DBHOME="$root/out"
export COLL_PREFIX="$root/out"
export COLL_PREFIX_LOCAL="$root/out"
export COLL_SERVERID=DEMO
export COLL_VERSION=zdb
export COLL_LOGON=monitor
export COLL_PASSWORD=monitor
mkdir -p "$COLL_OUT"
