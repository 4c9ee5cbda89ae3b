#!/usr/bin/env bash
# updater-cli and the signals of a real terminal, against the simulated radio (the signals
# during the write are tested in tests/cli/test_cli_signals.cpp):
#   SIGTERM while it looks for the radio: it stops at once, nothing written; meanwhile a second
#   updater given the same --log is refused, naming the first, and the trace stays whole;
#   its output closed (a pipe whose reader went): the write completes all the same.
# Usage: cli_signals.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: cli_signals.sh BUILD_DIR}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/e2e/e2e-common.sh"
make_small_image

# Waits (bounded) until FILE holds a line matching PATTERN.
await_line() {
  for _ in $(seq 300); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "no line '$2' in $1"
}

# Ends the simulator and returns its status (0: its checks held).
stop_radio() {
  kill -TERM "$sim_pid" 2>/dev/null || true
  local status=0
  wait "$sim_pid" || status=$?
  return "$status"
}

echo "--- SIGTERM while the radio is searched for"
start_radio term --no-syn
"$cli" write --port "$port" --yes --file "$image" --log "$work/term.trace" \
  >"$work/term.out" 2>"$work/term.err" &
cli_pid=$!
pids+=("$cli_pid")
# The sweep runs 19 s against a radio that never answers; stop it once it has begun.
await_line "$work/term.out" "^Searching for the radio"
status=0
"$cli" write --port /dev/null --yes --file "$image" --log "$work/term.trace" \
  >/dev/null 2>"$work/second.err" || status=$?
cat "$work/second.err"
((status == 2)) || fail "a second updater took the same --log (status $status)"
grep -q "being written by updater-cli (pid $cli_pid)" "$work/second.err" ||
  fail "the refusal does not name the holder"
kill -TERM "$cli_pid"
status=0
wait "$cli_pid" || status=$?
cat "$work/term.err"
((status == 3)) || fail "SIGTERM did not stop with status 3 (status $status)"
grep -q "stopped by SIGTERM" "$work/term.err" || fail "the stop is not reported"
! grep -q "unusable" "$work/term.err" || fail "warned of a write that had not begun"
head -n 1 "$work/term.trace" | grep -q "^# updater-cli session trace" || fail "trace lost its header"
grep -q " outcome " "$work/term.trace" || fail "the trace of the first updater is not whole"
stop_radio || true

echo "--- output closed while the radio is written"
start_radio pipe --dump "$work/pipe.dump"
set +o pipefail
"$cli" write --port "$port" --yes --file "$image" 2>"$work/pipe.err" | head -n 1 >/dev/null
status=${PIPESTATUS[0]}
set -o pipefail
((status == 0)) || fail "a closed output stopped the write (status $status)"
stop_radio || fail "the radio's checks failed"
bash "$root/scripts/compare-dump.sh" "$work/blocks.txt" "$work/pipe.dump"
echo "signals: all cases passed"
