#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined sanitizers) and runs
# each for a bounded time. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j "$(nproc)"
for target in build-fuzz/fuzz/fuzz_*; do
  [[ -x $target ]] || continue
  corpus=$(mktemp -d)
  echo "fuzzing $(basename "$target") for $seconds s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$corpus" fuzz/corpus 2>&1 | tail -n 12
  rm -rf "$corpus"
done
