#!/usr/bin/env bash
# Times loading and validating the embedded firmware image cold, each load in a process of its
# own as at a program's start (Google Benchmark, median of the repetitions), and srec_cat reading
# the same descrambled text into a binary (median of as many runs), in one run, and prints both
# medians, their ratio and the minor page faults per load. Goals: 0.6 ms and 0.05 x.
# Usage: scripts/bench-image.sh [build dir] [repetitions]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repetitions=${2:-10}

cmake --build "$build" --target bench_image descramble-image -j 2 >/dev/null
log=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$work" "$log"' EXIT
"$build/bench/bench_image" --benchmark_filter=BM_LoadAndValidateEmbeddedImage \
  --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true | tee "$log"
# The median's wall time in milliseconds, whatever unit the benchmark printed it in.
ours=$(awk '$1 ~ /^BM_LoadAndValidateEmbeddedImage.*_median$/ {
  v = $2; u = $3
  if (u == "ns") v /= 1e6; else if (u == "us") v /= 1e3; else if (u == "s") v *= 1e3
  printf "%.3f", v }' "$log")
# The counters of the median row: the load's processor time and its minor page faults.
counter() { awk -v name="$1" '$1 ~ /^BM_LoadAndValidateEmbeddedImage.*_median$/ {
  for (i = 1; i <= NF; i++) if (index($i, name "=") == 1) { split($i, kv, "="); print kv[2] } }' "$log"; }
cpu=$(counter load_cpu_ms)
faults=$(counter minor_faults_per_load)

"$build/tools/descramble-image" res/firmware.mot "$work/firmware-plain.mot"
times=()
for ((i = 0; i < repetitions; i++)); do
  start=$(date +%s%N)
  srec_cat "$work/firmware-plain.mot" -motorola -o "$work/firmware.bin" -binary
  end=$(date +%s%N)
  times+=($(((end - start) / 1000)))
done
theirs=$(printf '%s\n' "${times[@]}" | sort -n |
  awk '{a[NR] = $1} END {printf "%.3f", a[int((NR + 1) / 2)] / 1000}')

echo
echo "load and validate the embedded image, cold: median $ours ms over $repetitions repetitions (goal 0.6 ms)"
echo "  its processor time: $cpu ms; minor page faults per load: $faults"
echo "srec_cat reading the descrambled text into a binary: median $theirs ms over $repetitions runs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio: %.3f x (goal 0.05 x)\n", a / b }'
