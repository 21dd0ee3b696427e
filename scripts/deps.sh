#!/usr/bin/env bash
# Installs what kvpw builds and tests with, from the Debian 12 package archive (run as root).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libsqlite3-dev sqlite3 libfmt-dev libcli11-dev
  nlohmann-json3-dev libgtest-dev libbenchmark-dev libzip-dev zlib1g-dev libpugixml-dev)
# Saved parts are compressed with libdeflate: smaller files in less than half the time of zlib.
packages+=(libdeflate-dev)
# Desktop-database (.mdb) catalogues are read with mdbtools' library.
packages+=(mdbtools-dev libmdb3)
# mdbtools' own mdb-export, only to compare the tables our import reads with what it prints.
packages+=(mdbtools)
# mdbtools' ODBC driver stands in for the Access driver that the Windows build reads files with.
packages+=(odbc-mdbtools)
# Catalogues on database servers are reached through ODBC; the tests run a private PostgreSQL
# server and the SQLite ODBC driver (runuser, from util-linux, starts the server as a non-root user).
packages+=(unixodbc-dev unixodbc odbc-postgresql libsqliteodbc postgresql-15 postgresql-client-15
  libpq-dev util-linux)
# The report tests validate SARIF logs.
packages+=(python3 python3-jsonschema)
# The HTML report is rendered in a headless browser, the example drawing by LibreOffice Draw.
packages+=(chromium libreoffice-draw-nogui poppler-utils)
# The fuzz targets are built with clang and linked with libFuzzer, a recommendation that
# --no-install-recommends leaves out.
packages+=(clang libclang-rt-14-dev)
# The Windows component is cross-built with MinGW-w64 (widl from mingw-w64-tools) and tested
# under Wine, both architectures; 32-bit Wine needs the i386 architecture. The type library
# imports the automation types from the IDL files of libwine-dev.
packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev wine wine64
  wine32:i386)
# 32-bit Wine's ODBC needs the 32-bit driver manager, and the suite's data source its driver.
packages+=(libodbc2:i386 libsqliteodbc:i386)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # The tests start PostgreSQL clusters of their own: installing the server makes no cluster.
  if [[ " ${missing[*]} " == *" postgresql-15 "* ]] && [ ! -e /etc/postgresql-common/createcluster.conf ]; then
    mkdir -p /etc/postgresql-common
    echo "create_main_cluster = false" >/etc/postgresql-common/createcluster.conf
  fi
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
