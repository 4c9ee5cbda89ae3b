#!/usr/bin/env bash
# updater-cli writing three simulated radios at once, the second of another model: that radio
# fails with its message, the other two are written and hold exactly the image, and the exit
# status is the failing port's (6, another model).
# Usage: cli_bench.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: cli_bench.sh BUILD_DIR}
root=$(cd "$(dirname "$0")/../.." && pwd)
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

image=$work/small.mot
"$build/tools/descramble-image" "$root/tests/wine/small-image.srec" "$image"
"$cli" info --blocks --file "$image" >"$work/blocks.txt"

ports=()
for radio in 1 2 3; do
  model=()
  ((radio == 2)) && model=(--model XYZ1234)
  "$sim" --once --dump "$work/radio$radio.dump" "${model[@]}" >"$work/radio$radio.out" \
    2>"$work/radio$radio.err" &
  pids+=($!)
  for _ in $(seq 100); do
    [[ -s $work/radio$radio.out ]] && break
    sleep 0.1
  done
  port=$(head -n 1 "$work/radio$radio.out")
  [[ -n $port ]] || fail "radio $radio did not start"
  ports+=(--port "$port")
done

status=0
"$cli" write "${ports[@]}" --yes --file "$image" >"$work/bench.out" 2>&1 || status=$?
cat "$work/bench.out"
((status == 6)) || fail "exit status $status, expected 6 (the second radio's, another model)"
grep -q "Check Model Name and Market Code." "$work/bench.out" || fail "no model message"
(($(grep -c "Writing completed." "$work/bench.out") >= 2)) || fail "the others were not written"
for radio in 1 3; do
  kill -TERM "${pids[radio - 1]}" 2>/dev/null || true
  wait "${pids[radio - 1]}" || fail "radio $radio's checks failed"
  bash "$root/scripts/compare-dump.sh" "$work/blocks.txt" "$work/radio$radio.dump"
done
echo "bench: all cases passed"
