#!/usr/bin/env bash
# Runs the component's VBScript suite under Wine in a fresh private prefix: registers the DLL
# for all users, runs the suite under cscript, unregisters it and checks that creation then
# fails; then the same with the per-user registration. The prefix and its wineserver are gone
# afterwards.
# Before registering, an early-bound client checks the type library embedded in the DLL.
# Usage: wine_suite.sh DLL SUITE_DIR CATALOGUE_SQL ARCH TYPE_LIBRARY_CHECK_EXE
# Exits 77 (skipped) where the architecture cannot run.
set -euo pipefail
dll=$1
suite_dir=$2
catalogue_sql=$3
arch=$4
check_exe=$5
work=$(mktemp -d "${TMPDIR:-/tmp}/kvpw-wine.XXXXXX")
# Wine's ODBC hands data sources to the host's driver manager: the example catalogue as a
# data source of the SQLite ODBC driver, in an odbc.ini of this run's own.
sqlite3 -bail "$work/parts.db" ".read $catalogue_sql"
export ODBCSYSINI=$work ODBCINI=$work/odbc.ini
cat >"$work/odbcinst.ini" <<INI
[SQLite3]
Driver=libsqlite3odbc.so
INI
cat >"$ODBCINI" <<INI
[kvpw_parts]
Driver=SQLite3
Database=$work/parts.db
INI
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [ "$arch" = x86_64 ]; then
  run=/usr/lib/wine/wine64
  sys='C:\windows\system32'
else
  # Some kernels run without their 32-bit emulation; Wine's 32-bit loader cannot start there.
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "skipped: this machine cannot run 32-bit programs (the kernel's 32-bit emulation is off)"
    exit 77
  fi
  # The 32-bit loader sees the 32-bit system folder as system32.
  run=wine
  sys='C:\windows\syswow64'
fi
"$run" wineboot -i >/dev/null 2>&1
here='C:\kvpw'
mkdir -p "$WINEPREFIX/drive_c/kvpw"
cp "$dll" "$suite_dir"/*.vbs "$WINEPREFIX/drive_c/kvpw/"
win_dll="$here\\KvPwForStencils.dll"
export KVPW_MESSAGE_BOX_LOG="$here\\boxes.txt"

cscript() {
  { "$run" "$sys\\cscript.exe" "$here\\$1" "${@:2}" 2>&1 || true; } | tr -d '\r'
}
# An uncaught script error can end cscript with status 0 and no word, so the suite's own last
# line is what counts.
expect_last_line() {
  local output=$1 pattern=$2 what=$3
  local last
  last=$(tail -n 1 <<<"$output")
  if ! [[ $last =~ $pattern ]]; then
    echo "$what: the last line is not the expected one: '$last'"
    exit 1
  fi
}

cp "$check_exe" "$WINEPREFIX/drive_c/kvpw/"
# Its boxes go to a log of its own, so that the suite sees only its own.
output=$( (KVPW_MESSAGE_BOX_LOG="$here\\client-boxes.txt" "$run" "$here\\$(basename "$check_exe")" \
  "$win_dll" 2>&1 || true) | tr -d '\r')
echo "$output" | grep -v '^FAILED' | tail -n 1
grep '^FAILED' <<<"$output" || true
expect_last_line "$output" '^[1-9][0-9]* passed, 0 failed$' "type library check"

"$run" "$sys\\regsvr32.exe" /s "$win_dll"
output=$(cscript suite.vbs "$arch")
echo "$output"
expect_last_line "$output" '^[1-9][0-9]* passed, 0 failed$' "suite"
"$run" "$sys\\regsvr32.exe" /s /u "$win_dll"
expect_last_line "$(cscript probe.vbs)" '^create 429$' "after regsvr32 /u"

# Per user: no administrator rights needed; the keys go under the user's own classes. Wine's
# COM reads classes from the machine's keys only, so creation is not tried here: the keys are
# checked to be there, nothing of them under the machine's, and gone again afterwards.
"$run" "$sys\\regsvr32.exe" /s /n /i:user "$win_dll"
expect_last_line "$(cscript probe.vbs user)" '^create 429 user$' "after regsvr32 /n /i:user"
"$run" "$sys\\regsvr32.exe" /s /u /n /i:user "$win_dll"
expect_last_line "$(cscript probe.vbs user)" '^create 429$' "after regsvr32 /u /n /i:user"
echo "registration: all users and per user, both undone"
