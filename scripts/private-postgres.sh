#!/usr/bin/env bash
# A PostgreSQL cluster private to one run: its files, socket and log in DIR, listening on
# 127.0.0.1 on a free port, with one password user. Run as root it runs the server as nobody.
#   scripts/private-postgres.sh start DIR   prints PGHOST, PGPORT, PGUSER, PGPASSWORD, PGDATABASE
#                                           settings for the shell (eval "$(... start DIR)")
#   scripts/private-postgres.sh stop DIR    stops it (nothing is left running)
#   scripts/private-postgres.sh restart DIR starts a stopped one again on its port
# DIR's parent must be open to the server's user (the test scripts make it so).
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?a folder of its own}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/initdb" ] || { echo "PostgreSQL server binaries not found" >&2; exit 3; }
as_server() {
  if [ "$(id -u)" = 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}
user=kvpw
password=kvpw-test-password
database=catalogue

case "$cmd" in
start)
  mkdir -p "$dir"
  [ "$(id -u)" = 0 ] && chown nobody "$dir"
  chmod 700 "$dir"
  as_server sh -c "echo '$password' > '$dir/password'"
  as_server "$bin/initdb" -D "$dir/data" -U "$user" --pwfile="$dir/password" \
    --auth=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 3; }
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null ||
    { cat "$dir/server.log" >&2; exit 3; }
  echo "$port" >"$dir/port"
  PGPASSWORD=$password "$bin/../bin/psql" -h 127.0.0.1 -p "$port" -U "$user" -d postgres -qAt \
    -c "CREATE DATABASE $database" >/dev/null
  echo "export PGHOST=127.0.0.1 PGPORT=$port PGUSER=$user PGPASSWORD=$password PGDATABASE=$database"
  ;;
stop)
  [ -d "$dir/data" ] || exit 0
  as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null 2>&1 || true
  ;;
restart)
  port=$(cat "$dir/port")
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
  ;;
*)
  echo "usage: $0 start|stop|restart DIR" >&2
  exit 2
  ;;
esac
