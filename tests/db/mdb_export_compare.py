#!/usr/bin/env python3
"""Every table of every shared desktop-database file, read through kvpw's import, holds what
mdbtools' own mdb-export prints for it: the same rows in the same order, Null where it prints
Null, texts character for character, numbers to the precision the column keeps.

Usage: mdb_export_compare.py KVPW_BINARY MDB_FOLDER"""
import json
import math
import os
import sqlite3
import subprocess
import sys
import tempfile

NULL = "\x01NULL\x01"
DATE = "%Y-%m-%d %H:%M:%S"


def unescape(field):
    # mdb-export -e writes \r, \t, \n and \\ in C style.
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c == "\\" and i + 1 < len(field):
            out.append({"r": "\r", "t": "\t", "n": "\n", "\\": "\\"}.get(field[i + 1], field[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def exported(mdb, table):
    text = subprocess.run(
        ["mdb-export", "-H", "-d", "\t", "-e", "-Q", "-0", NULL, "-D", DATE, "-T", DATE, "-b", "hex",
         mdb, table], check=True, capture_output=True).stdout.decode("utf-8")
    return [[unescape(f) for f in line.split("\t")] for line in text.split("\n") if line != ""]


def same(ours, theirs):
    if theirs == NULL:
        return ours is None
    if ours is None:
        return False
    if isinstance(ours, bytes):
        return ours.hex().lower() == theirs.lower()
    if isinstance(ours, (int, float)):
        try:
            t = float(theirs)
        except ValueError:
            return False
        return math.isclose(float(ours), t, rel_tol=1e-6, abs_tol=1e-9)
    return ours == theirs


def main():
    kvpw, folder = sys.argv[1], sys.argv[2]
    if not os.path.isdir(folder):
        print("no shared desktop-database files; skipped")
        return 0
    failures, cells = [], 0
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, XDG_CACHE_HOME=os.path.join(tmp, "cache"))
        for name in sorted(f for f in os.listdir(folder) if f.endswith(".mdb")):
            mdb = os.path.join(folder, name)
            copy = os.path.join(tmp, name + ".sqlite")
            listing = json.loads(subprocess.run([kvpw, "catalogue", mdb, "--export", copy, "--json"],
                                                check=True, capture_output=True, env=env).stdout)
            db = sqlite3.connect(copy)
            db.text_factory = lambda b: b.decode("utf-8", "surrogateescape")
            for table in (t["name"] for t in listing["tables"]):
                ours = db.execute('SELECT * FROM "%s"' % table.replace('"', '""')).fetchall()
                theirs = exported(mdb, table)
                if len(ours) != len(theirs):
                    failures.append("%s %s: %d rows, mdb-export %d" % (name, table, len(ours), len(theirs)))
                    continue
                columns = [d[0] for d in db.execute('SELECT * FROM "%s" LIMIT 0' % table).description]
                for r, (a, b) in enumerate(zip(ours, theirs)):
                    if len(a) != len(b):
                        failures.append("%s %s row %d: %d columns, mdb-export %d" % (name, table, r, len(a), len(b)))
                        continue
                    for c, (x, y) in enumerate(zip(a, b)):
                        cells += 1
                        if not same(x, y):
                            failures.append("%s %s row %d %s: %r, mdb-export %r" % (name, table, r, columns[c], x, y))
            db.close()
    for f in failures[:40]:
        print(f)
    print("%d cells compared, %d differ" % (cells, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
