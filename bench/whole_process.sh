#!/usr/bin/env bash
# The main jobs as whole processes on the generated plant drawing (30,000 device shapes among
# 40,000, checked against 100,000 parts), each run alternately with the floor program (inflate
# and parse the same parts, keep them, exit), so that both see the same machine load. Prints
# the median wall time and peak memory of each and their ratios to the floor's.
#
# Usage: bench/whole_process.sh [BUILD_DIR [RUNS]]     (default: build, 7 pairs per command)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-7}
for tool in "$build/bench/bench_data" "$build/bench/floor_read" "$build/tools/kvpw/kvpw"; do
  [ -x "$tool" ] || { echo "whole_process.sh: $tool is missing; build with KVPW_BENCH=ON" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "whole_process.sh: /usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_data" "$work" >&2
kvpw=$build/tools/kvpw/kvpw
drawing=$work/drawing.vsdx
# The pickers read a stored device list, which the generated drawing does not have yet.
listed=$work/listed.vsdx
"$kvpw" devices update "$drawing" -o "$listed" --quiet

# One run: wall seconds and peak resident KiB, appended to the file named first.
measure() {
  local out=$1
  shift
  local start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1 || [ $? -le 1 ]
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" -v m="$(tail -n 1 "$work/rss")" 'BEGIN { print b - a, m }' >>"$out"
}

median() {  # column $2 of file $1
  sort -g -k"$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

declare -A commands=(
  [check]="$kvpw check $drawing --parts $work/parts.mdb -o $work/checked.vsdx"
  [devices-update]="$kvpw devices update $drawing -o $work/updated.vsdx"
  [devices-list]="$kvpw devices list $listed"
  [network]="$kvpw network $listed"
)
# Each command's floor reads the drawing that command reads.
declare -A inputs=([check]=$drawing [devices-update]=$drawing [devices-list]=$listed [network]=$listed)
order=(check devices-update devices-list network)

"$build/bench/floor_read" "$drawing" >&2
printf '%-15s %9s %9s %7s %10s %10s %7s\n' command "time(s)" "floor(s)" ratio "peak(MiB)" "floor" ratio
for name in "${order[@]}"; do
  : >"$work/ours" && : >"$work/floor"
  # shellcheck disable=SC2086
  for ((i = 0; i < runs; i++)); do
    measure "$work/floor" "$build/bench/floor_read" "${inputs[$name]}"
    measure "$work/ours" ${commands[$name]}
  done
  t=$(median "$work/ours" 1) tf=$(median "$work/floor" 1)
  m=$(median "$work/ours" 2) mf=$(median "$work/floor" 2)
  awk -v n="$name" -v t="$t" -v tf="$tf" -v m="$m" -v mf="$mf" \
    'BEGIN { printf "%-15s %9.3f %9.3f %6.2fx %10.1f %10.1f %6.2fx\n", n, t, tf, t / tf, m / 1024, mf / 1024, m / mf }'
done
