#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang under AddressSanitizer and UBSan and runs each
# for a bounded time, two at a time; fails on any crash, leak, failed invariant or input slower
# than 2 s. Usage: scripts/fuzz.sh [SECONDS_PER_TARGET [BUILD_DIR]]
# A failing input is kept in BUILD_DIR/fuzz/artifacts; the corpus each run grew, in
# BUILD_DIR/fuzz/corpus (kept between runs, so that longer runs build on earlier ones).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
seconds=${1:-${KVPW_FUZZ_SECONDS:-50}}
build=${2:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DKVPW_FUZZ=ON -DKVPW_SANITIZE=ON -DKVPW_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz

out=$(cd "$build/fuzz" && pwd)
declare -A seeds=([vsdx]=vsdx [device_row]=rows [patterns]=patterns [sql]=sql)
declare -A dicts=([vsdx]=fuzz/vsdx.dict [sql]=fuzz/sql.dict)
mkdir -p "$out/artifacts" "$out/logs"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

run() {
  local target=$1
  local corpus="$out/corpus/$target"
  mkdir -p "$corpus" "$scratch/$target"
  local args=(-max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048
    -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-")
  [ -n "${dicts[$target]:-}" ] && args+=(-dict="$PWD/${dicts[$target]}")
  # In a scratch folder, also as TMPDIR: whatever an input makes the library write lands there
  # and goes with it, even after a crash.
  (cd "$scratch/$target" &&
    TMPDIR="$scratch/$target" ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$out/fuzz_$target" "${args[@]}" "$corpus" "$out/seeds/${seeds[$target]}") \
    >"$out/logs/$target.log" 2>&1
}

status=0
targets=(vsdx device_row patterns sql)
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do
    run "$t" &
    pids+=("$!:$t")
  done
  for entry in "${pids[@]}"; do
    t=${entry#*:}
    if wait "${entry%%:*}"; then
      runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/logs/$t.log" | tail -1)
      echo "fuzz $t: ok, ${runs#*: } runs in ${seconds} s, corpus $(ls "$out/corpus/$t" | wc -l) inputs"
    else
      status=1
      echo "fuzz $t: FAILED (log: $out/logs/$t.log, input: $out/artifacts/$t-*)"
      grep -E 'ERROR|SUMMARY|kvpw fuzz|Timeout|leak' "$out/logs/$t.log" | head -20 || true
    fi
  done
done
exit $status
