#!/usr/bin/env bash
# Times loading and validating the embedded firmware image (Google Benchmark, median of the
# repetitions), and srec_cat reading the same descrambled text into a binary, for comparison.
# Usage: scripts/bench-image.sh [build dir] [repetitions]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repetitions=${2:-10}

cmake --build "$build" --target bench_image descramble-image -j 2 >/dev/null
"$build/bench/bench_image" --benchmark_repetitions="$repetitions" \
  --benchmark_report_aggregates_only=true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/descramble-image" res/firmware.mot "$work/firmware-plain.mot"
times=()
for ((i = 0; i < repetitions; i++)); do
  start=$(date +%s%N)
  srec_cat "$work/firmware-plain.mot" -motorola -o "$work/firmware.bin" -binary
  end=$(date +%s%N)
  times+=($(((end - start) / 1000)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}')
echo "srec_cat reading the descrambled text into a binary: median $((median / 1000)).$(printf '%03d' $((median % 1000))) ms over $repetitions runs"
