#!/usr/bin/env bash
# A throwaway PostgreSQL server for the ODBC tests, kept entirely in one folder:
# its cluster, its socket, its log and a private ODBC setup (psqlODBC driver and
# a test data source). Listens on the loopback address only, on a free port.
#
# Usage: scripts/pg-server.sh start DIR   prints `export` lines to eval
#        scripts/pg-server.sh stop DIR
# `start` on a folder whose server was stopped starts it again on the same port.
# PostgreSQL refuses to run as root; as root the server runs as `postgres`.
# Durability is off (no fsync): the data are thrown away with the folder.
set -euo pipefail

cmd=${1:-}
dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ] || [ ! -d "$dir" ]; then
  echo "usage: $0 start|stop DIR (an existing folder)" >&2
  exit 2
fi
dir=$(cd "$dir" && pwd)

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "$0: PostgreSQL server programs not found (install the postgresql package)" >&2
  exit 1
fi

# Runs a server program as the unprivileged owner of the cluster.
as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

data=$dir/data
sock=$dir/sock
log=$dir/postgres.log
user=collector
password=collector-test-pw

stop_server() {
  if [ -f "$data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" stop -D "$data" -m fast -w >/dev/null 2>&1 ||
      as_owner "$bindir/pg_ctl" stop -D "$data" -m immediate -w >/dev/null 2>&1 || true
  fi
}

# Starts the cluster on port $1; fails when the port is taken.
start_on() {
  : >"$log"
  [ "$(id -u)" = 0 ] && chown postgres "$log"
  as_owner "$bindir/pg_ctl" start -D "$data" -l "$log" -w -t 30 \
    -o "-p $1 -k $sock -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off" \
    >/dev/null 2>&1
}

make_cluster() {
  mkdir -p "$data" "$sock"
  if [ "$(id -u)" = 0 ]; then
    id postgres >/dev/null 2>&1 || {
      echo "$0: no postgres user to run the server as" >&2
      exit 1
    }
    chmod 755 "$dir"
    chown postgres "$data" "$sock"
  fi
  local pwfile=$dir/pwfile
  echo "$password" >"$pwfile"
  [ "$(id -u)" = 0 ] && chown postgres "$pwfile"
  as_owner "$bindir/initdb" -D "$data" -U postgres --pwfile="$pwfile" --auth-local=trust \
    --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 || {
    cat "$dir/initdb.log" >&2
    exit 1
  }
  rm -f "$pwfile"
}

write_odbc_files() {
  local port=$1 driver
  driver=$(dpkg -L odbc-postgresql 2>/dev/null | grep '/psqlodbcw\.so$' | head -n 1 || true)
  driver=${driver:-/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so}
  cat >"$dir/odbcinst.ini" <<EOF
[PostgreSQL Unicode]
Description = PostgreSQL ODBC driver (Unicode)
Driver = $driver
EOF
  # text describes as VARCHAR (not LONG VARCHAR), and so does varchar(n) up to
  # Oracle's largest VARCHAR2; bytea as VARBINARY. psqlODBC leaks memory when a
  # server-side prepare fails, so statements are prepared on the client.
  cat >"$dir/odbc.ini" <<EOF
[collector_test]
Driver = PostgreSQL Unicode
Servername = 127.0.0.1
Port = $port
Database = collector
TextAsLongVarchar = 0
UnknownsAsLongVarchar = 0
MaxVarcharSize = 4000
ByteaAsLongVarBinary = 0
UseServerSidePrepare = 0
EOF
}

case "$cmd" in
  start)
    if [ ! -f "$data/PG_VERSION" ]; then
      make_cluster
      port=
      for _ in $(seq 1 20); do
        candidate=$((20000 + RANDOM % 20000))
        if start_on "$candidate"; then
          port=$candidate
          break
        fi
        grep -q "already in use" "$log" || {
          cat "$log" >&2
          exit 1
        }
      done
      if [ -z "$port" ]; then
        echo "$0: no free port found" >&2
        exit 1
      fi
      echo "$port" >"$dir/port"
      as_owner "$bindir/psql" -q -h "$sock" -p "$port" -U postgres -d postgres \
        -v ON_ERROR_STOP=1 >/dev/null <<EOF
CREATE ROLE $user LOGIN PASSWORD '$password';
CREATE DATABASE collector OWNER $user;
EOF
      write_odbc_files "$port"
    else
      port=$(cat "$dir/port")
      stop_server
      start_on "$port" || {
        cat "$log" >&2
        exit 1
      }
    fi
    cat <<EOF
export COLLECTOR_PG_DIR='$dir'
export COLLECTOR_PG_HOST=127.0.0.1
export COLLECTOR_PG_PORT=$port
export COLLECTOR_TEST_DSN=collector_test
export COLLECTOR_TEST_USER=$user
export COLLECTOR_TEST_PASSWORD=$password
export ODBCSYSINI='$dir'
export ODBCINI='$dir/odbc.ini'
EOF
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
