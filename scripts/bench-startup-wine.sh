#!/usr/bin/env bash
# Times the Windows window's start-up under Wine on a virtual display, beside the Linux figure
# of scripts/bench-startup.sh: from starting build-mingw/win/updater.exe until the X server
# shows its window (startup-watch, from the server's map notifications; median of the runs).
# Wine's own start is included; its server is kept running between the runs (as a session
# would), so that each run pays only the program's own start.
# Usage: scripts/bench-startup-wine.sh [linux build dir] [runs]   (needs build-mingw built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
title="Updater for"
exe="build-mingw/win/updater.exe"
[[ -f $exe ]] || { echo "bench-startup-wine: $exe is not built (scripts/windows.sh)" >&2; exit 1; }
cmake --build "$build" --target startup-watch -j 2 >/dev/null

# shellcheck source=tests/wine/wine-env.sh
source tests/wine/wine-env.sh
work=$(mktemp -d)
cleanup() {
  wine_cleanup
  rm -rf "$work"
}
trap cleanup EXIT
wine_setup
wine_display
"$WINESERVER" -p || true  # the server stays between the runs (it may be up already)

median() { sort -n | awk '{a[NR] = $1} END {printf "%.1f", a[int((NR + 1) / 2)]}'; }

# One start to warm the caches and the prefix, as a technician's second start would find them.
"$build/bench/startup-watch" "$title" 60000 "$WINE" "$exe" >/dev/null
for ((i = 0; i < runs; i++)); do
  "$build/bench/startup-watch" "$title" 60000 "$WINE" "$exe" >>"$work/shown"
done
shown=$(sed -n 's/^window-shown //p' "$work/shown" | median)
echo "updater.exe under Wine: window shown after $shown ms (median of $runs starts)"
