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
for tool in "$build/bench/bench_data" "$build/bench/floor_read" "$build/bench/first_calls" \
  "$build/bench/warm_pages" "$build/tools/kvpw/kvpw"; do
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
# The files just written go to disk before anything is timed.
sync

# One run: wall seconds, peak resident KiB and CPU seconds (user and system), appended to the
# file named first. CPU time is the steadier measure on a machine shared with other work. Every
# run starts on memory the machine has backed (see warm_pages.cpp), so that it is timed by its own
# work and not by what the hypervisor did with the pages before it.
measure() {
  local out=$1
  shift
  "$build/bench/warm_pages"
  local start=$EPOCHREALTIME
  /usr/bin/time -f "%M %U %S" -o "$work/rss" "$@" >/dev/null 2>&1 || [ $? -le 1 ]
  local end=$EPOCHREALTIME
  tail -n 1 "$work/rss" | awk -v a="$start" -v b="$end" '{ print b - a, $1, $2 + $3 }' >>"$out"
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
# Each command's floor reads the drawing that command reads; for the commands that save, a second
# floor also writes it back out (each part serialised and deflated by libzip, one after another).
declare -A inputs=([check]=$drawing [devices-update]=$drawing [devices-list]=$listed [network]=$listed)
declare -A saves=([check]=1 [devices-update]=1)
order=(check devices-update devices-list network)

"$build/bench/floor_read" "$drawing" >&2
# kvpw starts its drawing verbs with transparent huge pages for the heap (see tools/kvpw); the
# floor runs both as it is and with the same setting ("floor+thp"), so that the time ratio can
# be read against a floor that pays for its page faults as ours does.
printf '%-15s %9s %9s %7s %10s %7s %10s %10s %7s %8s %8s %7s %12s %7s\n' command "time(s)" \
  "floor(s)" ratio "floor+thp" ratio "peak(MiB)" "floor" ratio "cpu(s)" "floor" ratio \
  "floor+write" ratio
for name in "${order[@]}"; do
  : >"$work/ours" && : >"$work/floor" && : >"$work/floor_thp" && : >"$work/floor_write"
  # One round untimed: the first run of a command also reads its files and libraries from disk.
  "$build/bench/floor_read" "${inputs[$name]}" >/dev/null
  # shellcheck disable=SC2086
  ${commands[$name]} >/dev/null 2>&1 || [ $? -le 1 ]
  # shellcheck disable=SC2086
  for ((i = 0; i < runs; i++)); do
    measure "$work/floor" "$build/bench/floor_read" "${inputs[$name]}"
    GLIBC_TUNABLES=glibc.malloc.hugetlb=1 measure "$work/floor_thp" "$build/bench/floor_read" \
      "${inputs[$name]}"
    if [ -n "${saves[$name]:-}" ]; then
      measure "$work/floor_write" "$build/bench/floor_read" "${inputs[$name]}" "$work/floor.vsdx"
    fi
    measure "$work/ours" ${commands[$name]}
  done
  t=$(median "$work/ours" 1) tf=$(median "$work/floor" 1) th=$(median "$work/floor_thp" 1)
  m=$(median "$work/ours" 2) mf=$(median "$work/floor" 2)
  c=$(median "$work/ours" 3) cf=$(median "$work/floor" 3)
  tw=$([ -s "$work/floor_write" ] && median "$work/floor_write" 1 || echo 0)
  awk -v n="$name" -v t="$t" -v tf="$tf" -v th="$th" -v m="$m" -v mf="$mf" -v c="$c" \
    -v cf="$cf" -v tw="$tw" 'BEGIN { printf "%-15s %9.3f %9.3f %6.2fx %10.3f %6.2fx %10.1f %10.1f %6.2fx %8.2f %8.2f %6.2fx",
             n, t, tf, t / tf, th, t / th, m / 1024, mf / 1024, m / mf, c, cf, c / cf
             if (tw > 0) printf " %12.3f %6.2fx\n", tw, t / tw; else printf " %12s %7s\n", "-", "-" }'
done

# Each library operation's first call, one fresh process per run; every run prints the
# operations in the same order, one a line: wall and CPU milliseconds, then the heap in use, the
# memory newly resident and the process's peak after it (MiB).
for ((i = 0; i < runs; i++)); do
  "$build/bench/warm_pages"
  "$build/bench/first_calls" "$drawing" "$work/parts.mdb" "$build/examples/partprops.mdb" \
    2>/dev/null | tail -n +2 >"$work/first.$i"
done
echo
printf '%-34s %9s %9s %9s %9s %9s\n' "first call" "wall(ms)" "cpu(ms)" "heap(MiB)" "rss+(MiB)" \
  "peak(MiB)"
for ((k = 1; k <= $(wc -l <"$work/first.0"); k++)); do
  for ((i = 0; i < runs; i++)); do sed -n "${k}p" "$work/first.$i"; done |
    awk '{ print $(NF - 4), $(NF - 3), $(NF - 2), $(NF - 1), $NF }' >"$work/op"
  name=$(sed -n "${k}p" "$work/first.0" | awk '{ NF -= 5; print }')
  printf '%-34s %9.1f %9.1f %9.1f %9.1f %9.1f\n' "$name" "$(median "$work/op" 1)" \
    "$(median "$work/op" 2)" "$(median "$work/op" 3)" "$(median "$work/op" 4)" "$(median "$work/op" 5)"
done
