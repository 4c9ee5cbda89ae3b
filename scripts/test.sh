#!/usr/bin/env bash
# Runs every test of the project: installs what it needs, builds, and runs the test suites
# (release build, real serial drivers in an emulated PC, sanitizer builds, fuzzing, Windows
# cross build under Wine, the package).
# Every phase runs; a phase that fails fails the whole run. The closing line counts the tests
# as their runners reported them (ctest and the Wine runs).
# Usage: scripts/test.sh [phase...]
#   phases: deps release drivers asan tsan fuzz windows package (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

phases=("$@")
((${#phases[@]})) || phases=(deps release drivers asan tsan fuzz windows package)

# Each runner appends one line "passed failed skipped" to this file.
UPDATER_COUNTS=$(mktemp)
export UPDATER_COUNTS
trap 'rm -f "$UPDATER_COUNTS"' EXIT

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

phase_deps() { bash scripts/install-deps.sh --wine; }

# The test run's own release build: build/ stays as the user configured it. The Windows and
# package phases take their Linux programs from it (configured by its preset in every phase, so
# that a phase run alone gets the same build).
test_build=build-test
export LINUX_BUILD=$test_build
configure_test_build() { cmake --preset test-release >/dev/null; }

phase_release() {
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
  # The test builds take a warning as an error (their presets say so; the user's build does not).
  configure_test_build
  cmake --build "$test_build" -j "$jobs"
  run_ctest "$test_build"
}

# Whole updates through the kernel's own serial drivers (a 16550 UART and a USB adapter) in an
# emulated PC, with the release build's programs.
phase_drivers() {
  configure_test_build
  cmake --build "$test_build" -j "$jobs" \
    --target updater-cli radio-sim scramble-image line-readback bench_write
  bash scripts/drivers.sh
}

phase_asan() {
  cmake --preset asan >/dev/null
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-asan
}

# The threads that share state: the update thread, the host, the window's nested loop, the
# simulator's serving thread. The whole-image writes add nothing the short ones do not show.
phase_tsan() {
  cmake --preset tsan >/dev/null
  cmake --build build-tsan -j "$jobs"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tests/tsan.supp" \
    run_ctest build-tsan -L threads -E '^e2e\.'
}

phase_fuzz() { bash scripts/fuzz.sh 60; }

# The Windows build: the core's tests under Wine, then whole updates under Wine into the
# simulated radio (the Linux programs come from the release build when it is there).
phase_windows() {
  configure_test_build
  JOBS=$jobs bash scripts/windows.sh
  JOBS=$jobs bash scripts/wine-e2e.sh
  JOBS=$jobs bash scripts/wine-window.sh
}

phase_package() {
  configure_test_build
  bash scripts/package.sh
}

failed_phases=()
for p in "${phases[@]}"; do
  declare -F "phase_$p" >/dev/null || { echo "test.sh: unknown phase $p" >&2; exit 2; }
  echo "=== $p ==="
  start=$SECONDS
  # Not as the condition of an `if`: bash ignores -e in a function called there, and a phase
  # whose first steps fail would pass on its last.
  set +e
  (
    set -e
    "phase_$p"
  )
  status=$?
  set -e
  if ((status == 0)); then
    echo "=== $p passed in $((SECONDS - start)) s ==="
  else
    echo "=== $p FAILED after $((SECONDS - start)) s ===" >&2
    failed_phases+=("$p")
    [[ $p == deps ]] && break  # nothing else can run without the packages
  fi
done

read -r passed failed skipped < <(awk '{p += $1; f += $2; s += $3} END {print p + 0, f + 0, s + 0}' \
  "$UPDATER_COUNTS")
echo "skipped: $skipped; phases failed: ${failed_phases[*]:-none}"
echo "$passed passed, $failed failed"
((${#failed_phases[@]} == 0 && failed == 0))
