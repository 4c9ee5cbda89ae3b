#!/usr/bin/env bash
# The Windows updater-cli.exe, run under Wine, writes whole images into the simulated radio:
# the radio's pseudo-terminal is offered to Wine as COM5. Each write must end with status 0,
# the radio's checks must hold, and its memory must equal the image's blocks. The embedded
# image is also written by the Linux build on the same machine, and both times are printed.
# One write reads its image from C:\Prüfstand\, a path outside the ANSI code page.
#
# Usage: scripts/wine-e2e.sh
#   LINUX_BUILD=dir  Linux build directory for radio-sim and updater-cli (default: build, as the
#                    default preset makes it; another directory is configured without the GUI)
#   JOBS=n           parallel build jobs (default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

# --- the programs --------------------------------------------------------------------------
JOBS=$jobs bash scripts/windows.sh --no-wine
exe=$root/build-mingw/cli/updater-cli.exe
[[ -f "$exe" ]] || { echo "wine-e2e: $exe was not built" >&2; exit 1; }

source tests/wine/wine-env.sh
JOBS=$jobs linux_programs radio-sim updater-cli scramble-image
sim=$root/$linux_build/sim/radio-sim
cli=$root/$linux_build/cli/updater-cli
scramble=$root/$linux_build/tools/scramble-image

# --- the throw-away prefix and the files of this run ----------------------------------------
work=$(mktemp -d)
started_pids=()
cleanup() {
  local pid
  # The writes' own time limits first (each ends its updater-cli), then the rest.
  for pid in $(cat "$work"/*.timeout.pid 2>/dev/null) "${started_pids[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  wine_cleanup
  rm -rf "$work"
}
trap cleanup EXIT
wine_setup

# The small image: a few blocks in every area, the identity block and a top-area tag that
# differs from the simulated radio's, so that the full write sequence runs. It is kept as plain
# S-record text and stored scrambled here, as users' image files are.
small=$work/small-image.mot
"$scramble" tests/wine/small-image.srec "$small"
"$cli" info --blocks --file "$small" >"$work/small-blocks.txt"
"$cli" info --blocks >"$work/embedded-blocks.txt"
small_windows=$("$WINE" winepath -w "$small" </dev/null 2>/dev/null | tr -d '\r')
# The same file in a folder whose name the ANSI code page cannot spell on every machine.
mkdir -p "$WINEPREFIX/drive_c/Prüfstand"
cp "$small" "$WINEPREFIX/drive_c/Prüfstand/small-image.mot"

# --- one write -----------------------------------------------------------------------------
# A write is started, then finished: the Linux write of the embedded image runs beside the one
# under Wine, since both mostly wait on the line. Every process started is recorded so that the
# exit trap can end it.
failures=0
passes=0

# start_case NAME RUNNER "SIM OPTIONS" CLI OPTIONS...
#   RUNNER: wine (updater-cli.exe on COM5) or linux (updater-cli on the terminal's path)
start_case() {
  local name=$1 runner=$2 sim_options=$3
  shift 3
  local out=$work/$name.sim.out
  # shellcheck disable=SC2086  # the simulator's options are words
  "$sim" --once --dump "$work/$name.dump" $sim_options >"$out" 2>"$work/$name.sim.err" &
  local pid=$!
  started_pids+=("$pid")
  echo "$pid" >"$work/$name.sim.pid"
  for _ in $(seq 100); do
    [[ -s "$out" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  local pty
  pty=$(head -n 1 "$out" || true)
  local port=$pty command=("$cli")
  if [[ "$runner" == wine ]]; then
    ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"
    port=COM5
    command=("$WINE" "$exe")
  fi
  (
    [[ -n "$pty" ]] || exit 125
    date +%s.%N >"$work/$name.start"
    status=0
    timeout 300 "${command[@]}" write --port "$port" --yes "$@" </dev/null >"$work/$name.cli" 2>&1 &
    echo "$!" >"$work/$name.timeout.pid"
    wait "$!" || status=$?
    date +%s.%N >"$work/$name.end"
    exit "$status"
  ) &
  started_pids+=("$!")
  echo "$!" >"$work/$name.cli.pid"
}

# finish_case NAME BLOCKS: waits for the write, stops the radio, compares its memory.
finish_case() {
  local name=$1 blocks=$2
  local sim_pid cli_pid write_status=0 sim_status=0
  sim_pid=$(cat "$work/$name.sim.pid")
  cli_pid=$(cat "$work/$name.cli.pid")
  wait "$cli_pid" || write_status=$?
  # With --once the radio stops by itself after the end command; after a failed write it is
  # told to stop (it still writes its dump and summary).
  for _ in $(seq 50); do
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$sim_pid" 2>/dev/null && kill -TERM "$sim_pid"
  wait "$sim_pid" || sim_status=$?

  local seconds="?"
  if [[ -s "$work/$name.start" && -s "$work/$name.end" ]]; then
    seconds=$(awk -v a="$(cat "$work/$name.start")" -v b="$(cat "$work/$name.end")" \
      'BEGIN { printf "%.1f", b - a }')
  fi
  echo "$seconds" >"$work/$name.seconds"
  local verdict compared=1
  verdict=$(bash scripts/compare-dump.sh "$blocks" "$work/$name.dump" 2>&1) || compared=0
  if ((write_status == 0 && sim_status == 0 && compared)); then
    echo "wine-e2e: $name: ok in $seconds s; $verdict"
    passes=$((passes + 1))
    return
  fi
  failures=$((failures + 1))
  echo "wine-e2e: $name: FAILED (updater-cli status $write_status, radio-sim status $sim_status)" >&2
  ((write_status == 125)) && echo "  the simulated radio did not start" >&2
  echo "  $verdict" >&2
  echo "  updater-cli said:" >&2
  tr -d '\r' <"$work/$name.cli" 2>/dev/null | grep -v '^progress: ' | sed 's/^/    /' >&2
  echo "  radio-sim said:" >&2
  sed 's/^/    /' "$work/$name.sim.err" >&2
}

# --- the cases -----------------------------------------------------------------------------
# The radio listens at 9600 by default; at 57600 the connection check sweeps through every speed
# first, so the terminal takes each setting Wine passes on.
start_case small-scrambled wine "--stop-bits 2" --file "$small_windows"
finish_case small-scrambled "$work/small-blocks.txt"
start_case small-unencrypted wine "--stop-bits 1" --file "$small_windows" --unencrypted \
  --stop-bits 1
finish_case small-unencrypted "$work/small-blocks.txt"
start_case small-57600 wine "--speed 57600" --file 'C:\Prüfstand\small-image.mot' --speed 57600
finish_case small-57600 "$work/small-blocks.txt"
start_case embedded-wine wine ""
start_case embedded-linux linux ""
finish_case embedded-wine "$work/embedded-blocks.txt"
finish_case embedded-linux "$work/embedded-blocks.txt"
echo "wine-e2e: writing the embedded image took $(cat "$work/embedded-wine.seconds") s under" \
  "Wine, $(cat "$work/embedded-linux.seconds") s from the Linux build (side by side)"

# The port list answers; under Wine a terminal is no RS-232 port, so an empty list is fine.
list_status=0
timeout 120 "$WINE" "$exe" list-ports </dev/null >"$work/list-ports.txt" 2>&1 || list_status=$?
if ((list_status == 0)) && [[ -s "$work/list-ports.txt" ]]; then
  echo "wine-e2e: list-ports answered: $(tr -d '\r' <"$work/list-ports.txt" | tr '\n' ' ')"
  passes=$((passes + 1))
else
  failures=$((failures + 1))
  echo "wine-e2e: list-ports FAILED with status $list_status:" >&2
  sed 's/^/    /' "$work/list-ports.txt" >&2
fi

if [[ -n ${UPDATER_COUNTS:-} ]]; then
  echo "$passes $failures 0" >>"$UPDATER_COUNTS"
fi
if ((failures)); then
  echo "wine-e2e: $failures check(s) failed" >&2
  exit 1
fi
echo "wine-e2e: all writes under Wine passed"
