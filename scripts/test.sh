#!/usr/bin/env bash
# Runs every test of the project: installs what it needs, builds, and runs the test suites
# (release build, sanitizer build, fuzzing, Windows cross build under Wine, the package).
# Usage: scripts/test.sh [phase...]   phases: deps release asan fuzz windows package (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

phases=("$@")
((${#phases[@]})) || phases=(deps release asan fuzz windows package)

run_phase() {
  local name=$1
  echo "=== $name ==="
  local start=$SECONDS
  "phase_$name"
  echo "=== $name done in $((SECONDS - start)) s ==="
}

passed_total=0
# Runs ctest in a build directory and adds its passed tests to the closing count.
run_ctest() {
  local dir=$1
  shift
  local log
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" | tee "$log"
  local passed
  passed=$(sed -n 's/^[0-9]*% tests passed, [0-9]* tests failed out of \([0-9]*\)$/\1/p' "$log")
  passed_total=$((passed_total + ${passed:-0}))
  rm -f "$log"
}

phase_deps() { bash scripts/install-deps.sh --wine; }

phase_release() {
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
  cmake --preset default >/dev/null
  cmake --build build -j "$jobs"
  run_ctest build
}

phase_asan() {
  cmake --preset asan >/dev/null
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest build-asan
}

phase_fuzz() { bash scripts/fuzz.sh 60; }

# The Windows build: the core's tests under Wine, then whole updates under Wine into the
# simulated radio (the Linux programs come from the release build when it is there).
phase_windows() {
  JOBS=$jobs bash scripts/windows.sh
  JOBS=$jobs bash scripts/wine-e2e.sh
}

phase_package() {
  [[ -f scripts/package.sh ]] && bash scripts/package.sh || echo "no package phase yet"
}

for p in "${phases[@]}"; do run_phase "$p"; done
echo "ctest: $passed_total passed, 0 failed"
