#!/usr/bin/env bash
# The catalogue suites (lists, fill-ins, device pickers, checks) once more with the example
# catalogue served by data sources instead of files: a private PostgreSQL server loaded with
# examples/catalogue/postgresql.sql, and the same SQLite files through the SQLite ODBC driver.
# Then the server's own cases: faults, and connections left behind.
# Usage: catalogue_on_servers.sh SOURCE_DIR BUILD_DIR PSQLODBC_DRIVER SQLITE_ODBC_DRIVER
# Exits 77 (skipped) only when no PostgreSQL server can be started here.
set -euo pipefail
src=$1 build=$2 psqlodbc=$3 sqliteodbc=$4
examples=$build/examples
rules=$build/src/db/libkvpw_rules.so

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kvpw-servers-XXXXXX")
chmod 755 "$tmp"  # the server runs as another user when this runs as root
cluster=$tmp/pg
cleanup() {
  bash "$src/scripts/private-postgres.sh" stop "$cluster" || true
  rm -rf "$tmp"
}
trap cleanup EXIT

if [ ! -f "$psqlodbc" ]; then
  echo "SKIPPED: the PostgreSQL ODBC driver is not installed (odbc-postgresql)"
  exit 77
fi
if ! settings=$(bash "$src/scripts/private-postgres.sh" start "$cluster"); then
  echo "SKIPPED: PostgreSQL cannot start here (see above)"
  exit 77
fi
eval "$settings"
python3 "$src/scripts/load-catalogue-postgres.py" "$examples/parts.mdb" "$examples/partprops.mdb"

# Data sources of this run only; the driver manager reads nothing of the system's.
export ODBCSYSINI=$tmp ODBCINI=$tmp/odbc.ini
: >"$tmp/odbcinst.ini"
cat >"$ODBCINI" <<INI
[kvpw_pg]
Driver = $psqlodbc
Servername = $PGHOST
Port = $PGPORT
Database = $PGDATABASE
Username = $PGUSER
Password = $PGPASSWORD
UseDeclareFetch = 1
Fetch = 200

[kvpw_sqlite_parts]
Driver = $sqliteodbc
Database = $examples/parts.mdb
StepAPI = 1
LoadExt = $rules

[kvpw_sqlite_props]
Driver = $sqliteodbc
Database = $examples/partprops.mdb
StepAPI = 1
LoadExt = $rules
INI

failed=0
# The suites' leaks are checked where they first run (ctest); here, under a sanitizer build on a
# loaded machine, LeakSanitizer's own tracer has crashed at exit after every test had passed.
suite_asan=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
run() {
  local label=$1 parts=$2 props=$3
  for suite in lists fillin devices validation; do
    echo "== $suite on $label"
    ASAN_OPTIONS=$suite_asan KVPW_TEST_PARTS_ODBC=$parts KVPW_TEST_PROPS_ODBC=$props \
      "$build/tests/$suite/${suite}_test" --gtest_brief=1 || failed=1
  done
}
run "PostgreSQL" "DSN=kvpw_pg" "DSN=kvpw_pg"
# The driver loads our comparison rules (the desktop engine's NOCASE and LIKE) as an extension.
run "the SQLite ODBC driver" "DSN=kvpw_sqlite_parts" "DSN=kvpw_sqlite_props"

echo "== the server's own cases"
KVPW_TEST_PG_DSN="DSN=kvpw_pg" KVPW_TEST_PG_CLUSTER=$cluster \
  KVPW_TEST_PG_CONTROL="$src/scripts/private-postgres.sh" \
  "$build/tests/db/db_test" --gtest_brief=1 --gtest_filter='ServerTest.*' || failed=1
exit $failed
