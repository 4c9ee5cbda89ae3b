# Shared by the end-to-end scripts (sourced; the caller sets $build and $root): a work directory
# that goes at exit together with every process started here, the small test image, and
# simulated radios on pseudo-terminals.
cli=$build/cli/updater-cli
sim=$build/sim/radio-sim
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# A small image (a few blocks in every area), stored scrambled as users' files are, in $image;
# its blocks in $work/blocks.txt for comparing a radio's memory.
make_small_image() {
  image=$work/small.mot
  "$build/tools/scramble-image" "$root/tests/wine/small-image.srec" "$image"
  "$cli" info --blocks --file "$image" >"$work/blocks.txt"
}

# Starts radio-sim NAME with the given options; sets $port and $sim_pid.
source "$root/scripts/lib/radio.sh"
start_radio() {
  local name=$1
  shift
  radio_start "$work/sim-$name" "$sim" "$@" || fail "radio-sim did not start"
  sim_pid=$radio_pid port=$radio_port
  pids+=("$sim_pid")
}
