#!/usr/bin/env bash
# The Windows updater-cli.exe, run under Wine, writes whole images into the simulated radio:
# the radio's pseudo-terminal is offered to Wine as COM5. Each write must end with status 0,
# the radio's checks must hold, and its memory must equal the image's blocks. The embedded
# image is written whole once here (the Windows build's own path through the line).
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
source tests/wine/wine-env.sh
JOBS=$jobs windows_programs
exe=$root/build-mingw/cli/updater-cli.exe
[[ -f "$exe" ]] || { echo "wine-e2e: $exe was not built" >&2; exit 1; }
JOBS=$jobs linux_programs radio-sim updater-cli scramble-image
sim=$root/$linux_build/sim/radio-sim
cli=$root/$linux_build/cli/updater-cli
scramble=$root/$linux_build/tools/scramble-image

# --- the throw-away prefix and the files of this run ----------------------------------------
work=$(mktemp -d)
started_pids=()
cleanup() {
  local pid
  for pid in "${started_pids[@]}"; do
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
source scripts/lib/radio.sh
failures=0
passes=0

# write_case NAME "SIM OPTIONS" BLOCKS CLI OPTIONS...: updater-cli.exe writes into a radio on
# COM5; the write must succeed, the radio's checks hold and its memory equal BLOCKS.
write_case() {
  local name=$1 sim_options=$2 blocks=$3
  shift 3
  local write_status=0 sim_status=0 started
  # shellcheck disable=SC2086  # the simulator's options are words
  if radio_start "$work/$name.sim" "$sim" --once --dump "$work/$name.dump" $sim_options; then
    started_pids+=("$radio_pid")
    ln -sfn "$radio_port" "$WINEPREFIX/dosdevices/com5"
    started=$(date +%s.%N)
    timeout 300 "$WINE" "$exe" write --port COM5 --yes "$@" </dev/null >"$work/$name.cli" 2>&1 ||
      write_status=$?
    awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }' >"$work/$name.seconds"
    # With --once the radio stops by itself after the end command; after a failed write it is
    # told to stop (it still writes its dump and summary).
    radio_stop "$radio_pid" || sim_status=$?
  else
    write_status=125
  fi

  local verdict compared=1
  verdict=$(bash scripts/compare-dump.sh "$blocks" "$work/$name.dump" 2>&1) || compared=0
  if ((write_status == 0 && sim_status == 0 && compared)); then
    echo "wine-e2e: $name: ok in $(cat "$work/$name.seconds") s; $verdict"
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
write_case small-scrambled "--stop-bits 2" "$work/small-blocks.txt" --file "$small_windows"
write_case small-unencrypted "--stop-bits 1" "$work/small-blocks.txt" --file "$small_windows" \
  --unencrypted --stop-bits 1
write_case small-57600 "--speed 57600" "$work/small-blocks.txt" \
  --file 'C:\Prüfstand\small-image.mot' --speed 57600
write_case embedded-wine "" "$work/embedded-blocks.txt"
echo "wine-e2e: writing the embedded image took $(cat "$work/embedded-wine.seconds") s under Wine"

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
