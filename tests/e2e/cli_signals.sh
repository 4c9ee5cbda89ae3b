#!/usr/bin/env bash
# updater-cli and the signals of a real terminal, against the simulated radio:
#   Ctrl+C once while the radio is written: the write goes on and completes, the memory matches;
#   Ctrl+C twice: it stops, says why, closes the port, exits with the status of a cancelled update;
#   SIGTERM while it looks for the radio: it stops cleanly, nothing written;
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

echo "--- Ctrl+C once while the radio is written"
start_radio once --dump "$work/once.dump"
"$cli" write --port "$port" --yes --file "$image" >"$work/once.out" 2>"$work/once.err" &
cli_pid=$!
pids+=("$cli_pid")
await_line "$work/once.out" "^progress:"
kill -INT "$cli_pid"
status=0
wait "$cli_pid" || status=$?
cat "$work/once.err"
((status == 0)) || fail "a single Ctrl+C stopped the write (status $status)"
grep -q "stopping now may leave it unusable" "$work/once.err" || fail "no warning after Ctrl+C"
grep -q "Writing completed." "$work/once.out" || fail "no 'Writing completed.'"
stop_radio || fail "the radio's checks failed"
bash "$root/scripts/compare-dump.sh" "$work/blocks.txt" "$work/once.dump"

echo "--- Ctrl+C twice"
start_radio twice
# The embedded image: a write of minutes, so that the second Ctrl+C surely meets it.
"$cli" write --port "$port" --yes >"$work/twice.out" 2>"$work/twice.err" &
cli_pid=$!
pids+=("$cli_pid")
await_line "$work/twice.out" "^progress:"
kill -INT "$cli_pid"
await_line "$work/twice.err" "press Ctrl+C again"
kill -INT "$cli_pid"
status=0
wait "$cli_pid" || status=$?
cat "$work/twice.err"
((status == 3)) || fail "a second Ctrl+C did not stop with status 3 (status $status)"
grep -q "stopped by SIGINT" "$work/twice.err" || fail "the stop is not reported"
grep -q "the port is closed" "$work/twice.err" || fail "the port is not reported closed"
! grep -q "Writing completed." "$work/twice.out" || fail "reported completed after a stop"
stop_radio || true  # an interrupted write leaves the loader's checks unfinished

echo "--- SIGTERM while the radio is searched for"
start_radio term --no-syn
"$cli" write --port "$port" --yes --file "$image" >"$work/term.out" 2>"$work/term.err" &
cli_pid=$!
pids+=("$cli_pid")
# The sweep runs 19 s against a radio that never answers; stop it once it has begun.
await_line "$work/term.out" "^Searching for the radio"
kill -TERM "$cli_pid"
status=0
wait "$cli_pid" || status=$?
cat "$work/term.err"
((status == 3)) || fail "SIGTERM did not stop with status 3 (status $status)"
grep -q "stopped by SIGTERM" "$work/term.err" || fail "the stop is not reported"
! grep -q "unusable" "$work/term.err" || fail "warned of a write that had not begun"
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
