#!/usr/bin/env bash
# The ODBC adapter against a private PostgreSQL server holding 100,000 parts (the layout of
# lists_bench's catalogue, loaded into the example schema). Usage: bench/server_bench.sh
# [BUILD_DIR [benchmark arguments...]]. Nothing is left running.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
shift || true
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kvpw-bench-XXXXXX")
chmod 755 "$tmp"
trap 'bash "$src/scripts/private-postgres.sh" stop "$tmp/pg"; rm -rf "$tmp"' EXIT
eval "$(bash "$src/scripts/private-postgres.sh" start "$tmp/pg")"
python3 "$src/scripts/load-catalogue-postgres.py" "$build/examples/parts.mdb" >/dev/null
psql -X -q -v ON_ERROR_STOP=1 <<'SQL'
BEGIN;
DELETE FROM Pz_PartsEng_ItemCodePointTypes;
DELETE FROM Pz_PartsEng_PartItemCodes;
DELETE FROM tblParts;
INSERT INTO tblParts (PartID, MfgPartNumber, MfgID, VendorID, FamilyID, Description, PDF,
                      SoccBitmap, SoccTermAmt, SoccTerm1, SoccTerm2, SoccTerm3, SoccTerm4,
                      SoccTerm5, SoccAsType, MfgListPrice)
  SELECT i, format('BRP-%s', lpad(i::text, 6, '0')), 1 + i % 2, 1 + i % 2, 1,
         'Pilot relay, SPDT 10 A, 24 VAC coil, variant ' || i, 'Docs\Relays\BRP.pdf', 'RABCBCB',
         '5', 'A1', 'A2', '11', '12', '14', 'Pilot relay', 10 + i * 0.25
  FROM generate_series(1, 100000) AS i;
INSERT INTO Pz_PartsEng_PartItemCodes (ID, PartNumber, EngineeringItemCode)
  SELECT i, format('BRP-%s', lpad(i::text, 6, '0')), format('IC-%s', lpad((i % 100)::text, 3, '0'))
  FROM generate_series(1, 100000) AS i;
COMMIT;
ANALYZE;
SQL
export ODBCSYSINI=$tmp ODBCINI=$tmp/odbc.ini
: >"$tmp/odbcinst.ini"
driver=
for candidate in /usr/lib/*/odbc/psqlodbcw.so /usr/lib/odbc/psqlodbcw.so; do
  [ -f "$candidate" ] && driver=$candidate && break
done
for name in kvpw_bench:1 kvpw_bench_whole:0; do
  cat >>"$ODBCINI" <<INI
[${name%%:*}]
Driver = $driver
Servername = $PGHOST
Port = $PGPORT
Database = $PGDATABASE
Username = $PGUSER
Password = $PGPASSWORD
UseDeclareFetch = ${name##*:}
Fetch = 200

INI
done
KVPW_BENCH_ODBC="DSN=kvpw_bench" KVPW_BENCH_ODBC_WHOLE="DSN=kvpw_bench_whole" \
  "$build/bench/odbc_bench" "$@"
