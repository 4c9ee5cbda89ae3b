#!/usr/bin/env bash
# Writes the firmware image the program carries into a radio. Without --port the radio is the
# simulated one on a pseudo-terminal, and afterwards its memory is compared with the image.
# On a fresh Debian 12 machine it first installs what it needs (as root) and builds.
#
# Usage: scripts/demo.sh [--port PATH] [--file IMAGE] [--yes] [--no-build] [--build-dir DIR]
#   --port PATH      write into the real radio on PATH (the version change is asked for)
#   --file IMAGE     write this scrambled image file instead of the image the program carries
#   --yes            confirm the version change in advance (always so for the simulated radio)
#   --no-build       use the programs already built in the build directory
#   --build-dir DIR  build directory (default: build, as the default preset makes it)
set -euo pipefail
cd "$(dirname "$0")/.."

port=""
confirm=()
image_file=()
build_dir=build
do_build=1
while (($#)); do
  case "$1" in
    --port) port=${2:?--port needs a path}; shift 2 ;;
    --file) image_file=(--file "${2:?--file needs a path}"); shift 2 ;;
    --yes) confirm=(--yes); shift ;;
    --no-build) do_build=0; shift ;;
    --build-dir) build_dir=${2:?--build-dir needs a directory}; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "demo.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

if ((do_build)); then
  bash scripts/install-deps.sh
  if [[ "$build_dir" == build ]]; then
    cmake --preset default >/dev/null
  else
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build_dir" --target updater-cli radio-sim
fi
cli=$build_dir/cli/updater-cli
sim=$build_dir/sim/radio-sim
[[ -x "$cli" ]] || { echo "demo.sh: $cli is not built" >&2; exit 1; }

if [[ -n "$port" ]]; then
  exec "$cli" write --port "$port" "${confirm[@]}" "${image_file[@]}"
fi
[[ -x "$sim" ]] || { echo "demo.sh: $sim is not built" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [[ -n "$sim_pid" ]] && kill -0 "$sim_pid" 2>/dev/null; then kill "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

dump=$work/radio-memory.txt
source scripts/lib/radio.sh
if ! radio_start "$work/sim" "$sim" --once --dump "$dump"; then
  echo "demo.sh: the simulated radio did not start" >&2
  cat "$work/sim.err" >&2
  exit 1
fi
sim_pid=$radio_pid
echo "simulated radio on $radio_port"

write_status=0
"$cli" write --port "$radio_port" --yes "${image_file[@]}" || write_status=$?

# With --once the radio stops by itself after the end command; a failed write leaves it
# waiting, so it is told to stop (it still writes its dump and summary).
sim_status=0
radio_stop "$sim_pid" || sim_status=$?
sim_pid=""
cat "$work/sim.err"

if ((write_status != 0)); then
  echo "demo.sh: updater-cli write failed with status $write_status" >&2
  exit "$write_status"
fi
if ((sim_status != 0)); then
  echo "demo.sh: the simulated radio's checks failed" >&2
  exit 1
fi

# The radio must hold exactly the bytes of the low, main and top-area transfer blocks.
"$cli" info --blocks "${image_file[@]}" >"$work/blocks.txt"
bash scripts/compare-dump.sh "$work/blocks.txt" "$dump"
