#!/usr/bin/env python3
"""Loads a parts catalogue into a PostgreSQL database: creates the schema of
examples/catalogue/postgresql.sql there, then copies every row of the catalogue's SQLite files
(the parts database and the part-properties database, as the build makes them) into it.

  python3 scripts/load-catalogue-postgres.py [--dsn CONNINFO] PARTS.mdb [PARTPROPS.mdb]

CONNINFO is a libpq connection text ("host=db.example port=5432 dbname=catalogue user=kvpw");
without it psql's own PGHOST, PGPORT, PGUSER, PGPASSWORD and PGDATABASE settings apply.
"""
import argparse
import os
import sqlite3
import subprocess
import sys

SCHEMA = os.path.join(os.path.dirname(__file__), "..", "examples", "catalogue", "postgresql.sql")
# Referenced tables first.
ORDER = [
    "tblManufacturers", "tblVendors", "tblPartFamilies", "tblIOTypes", "tblParts",
    "Pz_PartsEng_PartItemCodes", "Pz_PartsEng_ItemCodePointTypes",
    "tblSoftware", "tblDeliveryCodes", "tblBasePackages", "tblOptions", "tblDrivers",
]


def copy_value(value, declared):
    """One value in COPY's text format; yes/no columns hold 1 or 0 in the SQLite files."""
    if value is None:
        return "\\N"
    if declared.upper().startswith("BOOL"):
        return "t" if value else "f"
    if isinstance(value, float):
        return repr(value)
    text = str(value)
    return (text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")
            .replace("\r", "\\r"))


def tables_of(path):
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    names = [r[0] for r in db.execute(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'")]
    return db, names


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dsn", help="libpq connection text (default: psql's PG* settings)")
    parser.add_argument("files", nargs="+", help="catalogue files (SQLite), parts first")
    args = parser.parse_args()

    psql = ["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1"]
    if args.dsn:
        psql += ["-d", args.dsn]
    proc = subprocess.Popen(psql, stdin=subprocess.PIPE, text=True, encoding="utf-8")
    out = proc.stdin
    out.write("BEGIN;\n")
    with open(SCHEMA, encoding="utf-8") as schema:
        out.write(schema.read())
    counts = {}
    found = {}
    for path in args.files:
        db, names = tables_of(path)
        for name in names:
            found[name.lower()] = (db, name)
    for table in ORDER:
        if table.lower() not in found:
            continue
        db, name = found.pop(table.lower())
        columns = [(c[1], c[2] or "") for c in db.execute(f'PRAGMA table_info("{name}")')]
        out.write(f"COPY public.{table} ({', '.join(c for c, _ in columns)}) FROM STDIN;\n")
        rows = 0
        for row in db.execute(f'SELECT * FROM "{name}"'):
            out.write("\t".join(copy_value(v, t) for v, (_, t) in zip(row, columns)) + "\n")
            rows += 1
        out.write("\\.\n")
        counts[table] = rows
    if found:
        sys.exit(f"tables the schema does not know: {', '.join(n for _, n in found.values())}")
    out.write("COMMIT;\nANALYZE;\n")
    out.close()
    if proc.wait() != 0:
        sys.exit("loading the catalogue failed")
    print(", ".join(f"{t} {n}" for t, n in counts.items()))


if __name__ == "__main__":
    main()
