#!/usr/bin/env bash
# updater-cli writing three simulated radios at once, the second of another model: that radio
# fails with its message, the other two are written and hold exactly the image, and the exit
# status is the failing port's (6, another model); the summary names the step that failed.
# Usage: cli_bench.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: cli_bench.sh BUILD_DIR}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/e2e/e2e-common.sh"
make_small_image

ports=()
radio_pids=()
for radio in 1 2 3; do
  model=()
  ((radio == 2)) && model=(--model XYZ1234)
  start_radio "radio$radio" --once --dump "$work/radio$radio.dump" "${model[@]}"
  radio_pids+=("$sim_pid")
  ports+=(--port "$port")
done

status=0
"$cli" write "${ports[@]}" --yes --file "$image" >"$work/bench.out" 2>&1 || status=$?
cat "$work/bench.out"
((status == 6)) || fail "exit status $status, expected 6 (the second radio's, another model)"
grep -q "Check Model Name and Market Code." "$work/bench.out" || fail "no model message"
# The summary's row of that radio names the step where it stopped.
grep -q "^${ports[3]} .* CheckModelCode " "$work/bench.out" || fail "the summary names no failed step"
(($(grep -c "Writing completed." "$work/bench.out") >= 2)) || fail "the others were not written"
for radio in 1 3; do
  kill -TERM "${radio_pids[radio - 1]}" 2>/dev/null || true
  wait "${radio_pids[radio - 1]}" || fail "radio $radio's checks failed"
  bash "$root/scripts/compare-dump.sh" "$work/blocks.txt" "$work/radio$radio.dump"
done
echo "bench: all cases passed"
