#!/usr/bin/env bash
# Times the window program's start-up under Xvfb, with the embedded image and the port scan:
# from starting build/app/updater until the X server shows its window (startup-watch, from the
# server's map notifications; median of the runs), and the share of each stage (startup-stages,
# the same start-up with a clock at each stage, up to the end of the window's first paint).
# Goal: the window within 150 ms.
# Usage: scripts/bench-startup.sh [build dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
title="Updater for"

cmake --build "$build" --target updater startup-stages startup-watch -j 2 >/dev/null
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to the pipe.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null &
xvfb_pid=$!
read -r -t 10 -u "$display_fd" number
export DISPLAY=:$number QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{a[NR] = $1} END {printf "%.1f", a[int((NR + 1) / 2)]}'; }

# One start to warm the file cache, as a technician's second start would find it.
"$build/bench/startup-watch" "$title" 5000 "$build/app/updater" >/dev/null
for ((i = 0; i < runs; i++)); do
  "$build/bench/startup-watch" "$title" 5000 "$build/app/updater" >>"$work/real"
  "$build/bench/startup-watch" --let-end "$title" 5000 "$build/bench/startup-stages" \
    >>"$work/stages"
done

shown=$(sed -n 's/^window-shown //p' "$work/real" | median)
echo "updater: window shown after $shown ms (median of $runs starts; goal 150 ms)"
echo "stages (startup-stages, median of $runs starts each, share of its median total):"
total=$(sed -n 's/^total //p' "$work/stages" | median)
for stage in program-loaded qt-started dialog-built image-loaded ports-scanned \
  banner-and-caption first-paint total; do
  value=$(sed -n "s/^$stage //p" "$work/stages" | median)
  awk -v s="$stage" -v v="$value" -v t="$total" \
    'BEGIN { printf "  %-20s %7.1f ms %4.0f %%\n", s, v, 100 * v / t }'
done
