#!/usr/bin/env bash
# Runs every test of the project: installs what it needs, builds, and runs the test suites
# (release build, real serial drivers in an emulated PC, sanitizer builds, fuzzing, Windows
# cross build under Wine, the package).
# Every phase runs; a phase that fails, or runs no test, fails the whole run. The work that
# mostly waits on the serial line (the whole-image writes, the searches for a radio that is not
# there, the emulated PC) starts as soon as its build is ready and runs beside the next phases;
# its results are collected before the run ends. The closing line counts the tests as their
# runners reported them (ctest, the Wine runs and the driver cases).
# Usage: scripts/test.sh [quick | phase...]
#   phases: deps release drivers asan tsan fuzz windows package (default: all)
#   quick:  the release build and every test of it that needs no whole-image write, no
#           sanitizer, no Wine and no emulated PC: the run for the change at hand
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

phases=("$@")
((${#phases[@]})) || phases=(deps release drivers asan tsan fuzz windows package)
[[ ${phases[*]} != quick ]] || phases=(deps quick)

# Each runner appends one line "passed failed skipped" to this file; the logs of the work that
# runs beside the phases go to this folder.
UPDATER_COUNTS=$(mktemp)
export UPDATER_COUNTS
beside_logs=$(mktemp -d)
beside_pids=()
stop_beside() {
  local pid
  for pid in "${beside_pids[@]}"; do kill -- -"$pid" 2>/dev/null || true; done
  rm -rf "$UPDATER_COUNTS" "$beside_logs"
}
trap stop_beside EXIT

# "passed failed skipped" from the summary of a ctest JUnit file.
junit_counts() {
  local suite
  # ctest writes the attributes of the summary on lines of their own.
  suite=$(tr '\n\t' '  ' <"$1" | grep -o -m1 '<testsuite [^>]*>') ||
    { echo "no test summary in $1" >&2; return 1; }
  count() { sed -n "s/.* $1=\"\([0-9]*\)\".*/\1/p" <<<"$suite"; }
  local tests failures errors skipped disabled
  tests=$(count tests) failures=$(count failures) errors=$(count errors)
  skipped=$(count skipped) disabled=$(count disabled)
  local failed=$((failures + ${errors:-0})) skip=$((${skipped:-0} + ${disabled:-0}))
  echo "$((tests - failed - skip)) $failed $skip"
}

# Runs ctest in a build directory and records what it reported, from its JUnit file.
run_ctest() {
  local dir=$1
  shift
  local junit status=0
  junit=$(mktemp)
  # A label or filter that matches no test is an error, not a run of nothing.
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" --output-junit "$junit" \
    "$@" || status=$?
  junit_counts "$junit" >>"$UPDATER_COUNTS" || status=1
  rm -f "$junit"
  return "$status"
}

# start_beside NAME FUNCTION: runs FUNCTION in the background, in a process group of its own
# (so that the exit trap ends all of it), with its output in a log shown when it is collected.
beside_names=()
start_beside() {
  local name=$1 function=$2
  set -m
  (
    trap - EXIT
    start=$SECONDS
    run_step "$function"
    echo "=== $name: ended in $((SECONDS - start)) s ==="
    exit "$step_status"
  ) >"$beside_logs/$name.log" 2>&1 &
  beside_pids+=("$!")
  set +m
  beside_names+=("$name")
  echo "=== $name started beside the next phases ==="
}

# Waits for each piece started beside the phases, shows its log and records its result.
collect_beside() {
  local i status
  for i in "${!beside_pids[@]}"; do
    status=0
    wait "${beside_pids[$i]}" || status=$?
    echo "=== ${beside_names[$i]} (ran beside the phases) ==="
    cat "$beside_logs/${beside_names[$i]}.log"
    if ((status == 0)); then
      echo "=== ${beside_names[$i]} passed ==="
    else
      echo "=== ${beside_names[$i]} FAILED with status $status ===" >&2
      failed_phases+=("${beside_names[$i]}")
    fi
  done
  beside_pids=()
}

phase_deps() { bash scripts/install-deps.sh --wine; }

# The test run's own release build: build/ stays as the user configured it. The Windows and
# package phases take their Linux programs from it (configured by its preset in every phase, so
# that a phase run alone gets the same build).
test_build=build-test
export LINUX_BUILD=$test_build
configure_test_build() { cmake --preset test-release >/dev/null; }

# A phase is its function phase_NAME; where a phase has work that waits on the line, that work is
# beside_NAME, started once phase_NAME has passed, and what the phase does meanwhile is
# then_NAME.

# The release build's tests that wait on the line (the whole embedded image written by the real
# programs, the searches for a radio that does not answer) beside the others.
phase_release() {
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
  # The test builds take a warning as an error (their presets say so; the user's build does not).
  configure_test_build
  cmake --build "$test_build" -j "$jobs"
}
beside_release() { run_ctest "$test_build" -L '^line$'; }
then_release() { run_ctest "$test_build" -LE '^line$'; }

# What a change needs at once: the release build and its tests but those on the line and the
# second build around another image.
phase_quick() {
  phase_release
  run_ctest "$test_build" -LE '^(line|rebuild)$'
}

# Whole updates through the kernel's own serial drivers (a 16550 UART and a USB adapter) in an
# emulated PC, with the release build's programs. The guest mostly waits on the line.
phase_drivers() {
  configure_test_build
  cmake --build "$test_build" -j "$jobs" \
    --target updater-cli radio-sim scramble-image line-readback
}
beside_drivers() { bash scripts/drivers.sh; }

phase_asan() {
  cmake --preset asan >/dev/null
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-asan
}

# The threads that share state: the update thread, the host, the window's nested loop, the
# simulator's serving thread.
phase_tsan() {
  cmake --preset tsan >/dev/null
  cmake --build build-tsan -j "$jobs"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tests/tsan.supp" \
    run_ctest build-tsan -L threads
}

phase_fuzz() { bash scripts/fuzz.sh 60; }

# The Windows build, made once here, and the core's tests under Wine; then the writes under Wine
# into the simulated radio (the whole embedded image among them) beside the window's tests.
phase_windows() {
  configure_test_build
  cmake --build "$test_build" -j "$jobs" --target radio-sim updater-cli scramble-image
  JOBS=$jobs bash scripts/windows.sh
}
export WINDOWS_BUILD_READY=1  # for the phases after windows: its scripts reuse that build
beside_windows() { bash scripts/wine-e2e.sh; }
then_windows() { JOBS=$jobs bash scripts/wine-window.sh; }

phase_package() {
  configure_test_build
  bash scripts/package.sh
}

# run_step FUNCTION: runs FUNCTION with -e in force and leaves its status in step_status.
run_step() {
  # Not as the condition of an `if` or beside `||`: bash ignores -e in a function called there,
  # and a step whose first commands fail would pass on its last.
  set +e
  (
    set -e
    "$1"
  )
  step_status=$?
  set -e
}

failed_phases=()
for p in "${phases[@]}"; do
  declare -F "phase_$p" >/dev/null || { echo "test.sh: unknown phase $p" >&2; exit 2; }
  echo "=== $p ==="
  start=$SECONDS
  run_step "phase_$p"
  status=$step_status
  if ((status == 0)) && declare -F "beside_$p" >/dev/null; then
    start_beside "$p-line" "beside_$p"
  fi
  if ((status == 0)) && declare -F "then_$p" >/dev/null; then
    run_step "then_$p"
    status=$step_status
  fi
  if ((status == 0)); then
    echo "=== $p passed in $((SECONDS - start)) s ==="
  else
    echo "=== $p FAILED after $((SECONDS - start)) s ===" >&2
    failed_phases+=("$p")
    [[ $p == deps ]] && break  # nothing else can run without the packages
  fi
done
collect_beside

read -r passed failed skipped < <(awk '{p += $1; f += $2; s += $3} END {print p + 0, f + 0, s + 0}' \
  "$UPDATER_COUNTS")
echo "skipped: $skipped; phases failed: ${failed_phases[*]:-none}"
echo "$passed passed, $failed failed"
((${#failed_phases[@]} == 0 && failed == 0))
