#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined sanitizers) and runs
# each for a bounded time from its corpus in fuzz/corpus/<target>, printing how many inputs it
# ran. With --update-corpus the inputs found are merged into that corpus, minimised (only inputs
# that add coverage are kept); commit the result.
# Usage: scripts/fuzz.sh [seconds per target] [--update-corpus]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
update=0
[[ ${2:-} == --update-corpus ]] && update=1
cmake --preset fuzz >/dev/null
# The fuzz targets as the build lists them ("name path" a line): every one must be built and run.
list=build-fuzz/fuzz-targets.txt
names=() paths=()
while read -r name path; do
  [[ -n $name ]] || continue
  names+=("$name")
  paths+=("$path")
done <"$list"
((${#names[@]})) || { echo "fuzz: the build lists no fuzz target in $list" >&2; exit 1; }
cmake --build build-fuzz -j "$(nproc)" --target "${names[@]}"
# The targets run side by side, each for the same time; each is reported on its own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in "${!names[@]}"; do
  target=${paths[$i]}
  [[ -x $target ]] || { echo "fuzz: ${names[$i]} was not built ($target)" >&2; exit 1; }
  corpus=fuzz/corpus/${names[$i]#fuzz_}
  mkdir -p "$corpus" "$work/found-$i"
  echo "fuzzing ${names[$i]} for $seconds s"
  (
    status=0
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/ "$work/found-$i" "$corpus" >"$work/log-$i" 2>&1 || status=$?
    exit "$status"
  ) &
  echo "$!" >"$work/pid-$i"
done
failed=0
for i in "${!names[@]}"; do
  name=${names[$i]}
  target=${paths[$i]}
  corpus=fuzz/corpus/${name#fuzz_}
  log=$work/log-$i
  status=0
  wait "$(cat "$work/pid-$i")" || status=$?
  tail -n 12 "$log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "$name: ${runs:-?} inputs in $seconds s (${rate:-?} per second)"
  if ((status == 0 && update)); then
    merged=$(mktemp -d)
    "$target" -merge=1 "$merged" "$corpus" "$work/found-$i" >/dev/null 2>&1
    rm -rf "$corpus" && mv "$merged" "$corpus" && chmod 755 "$corpus"
    echo "$name: corpus now $(find "$corpus" -type f | wc -l) inputs"
  fi
  if ((status != 0)); then
    echo "$name: failed (see build-fuzz/crash-* or the log above)" >&2
    failed=1
  fi
done
exit "$failed"
