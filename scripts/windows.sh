#!/usr/bin/env bash
# Cross builds for Windows with MinGW-w64: the Qt-free core, updater-cli.exe, the window program
# updater.exe and the test programs; then runs the test programs that need neither a display
# nor a radio under Wine in a throw-away prefix (the window's tests run in scripts/wine-window.sh).
# Every target named here must exist: a missing one fails the build. The test programs are the
# ones the build lists in build-mingw/wine-tests.txt; each must be built and must report.
# With UPDATER_COUNTS set, the Wine results are added to that file.
# Usage: scripts/windows.sh [--no-wine]   (JOBS=n sets the parallel jobs; default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
run_wine=1
case "${1:-}" in
  "") ;;
  --no-wine) run_wine=0 ;;
  *) echo "windows.sh: unknown argument $1" >&2; exit 2 ;;
esac

bash scripts/mingw-configure.sh build-mingw

# Every target ninja knows in this build, one name per line.
known=$(ninja -C build-mingw -t targets all | sed -n 's/^\([^:/]*\): .*/\1/p' | sort -u)

libraries=(updater_image updater_res updater_link updater_protocol updater_front updater_win)
programs=(updater-cli updater win_gui_tests)
# The test programs that run under Wine without a display or a radio, as the build lists them
# (those needing a POSIX terminal are not built for Windows).
test_list=build-mingw/wine-tests.txt
tests=() test_paths=()
while read -r name path; do
  [[ -n $name ]] || continue
  tests+=("$name")
  test_paths+=("$path")
done <"$test_list"
((${#tests[@]})) || { echo "windows: the build lists no test program in $test_list" >&2; exit 1; }
targets=("${libraries[@]}" "${programs[@]}" "${tests[@]}")
missing=()
for t in "${targets[@]}"; do
  grep -qx "$t" <<<"$known" || missing+=("$t")
done
if ((${#missing[@]})); then
  echo "windows: the build defines no target ${missing[*]}" >&2
  exit 1
fi

echo "windows: building ${targets[*]}"
cmake --build build-mingw -j "$jobs" --target "${targets[@]}"
ls -l build-mingw/cli/updater-cli.exe build-mingw/win/updater.exe

((run_wine)) || exit 0

source tests/wine/wine-env.sh
trap wine_cleanup EXIT
wine_setup

# Runs one test program under Wine and prints how many of its tests ran and passed.
total_ran=0
total_passed=0
total_skipped=0
failed_programs=()
run_tests() {
  local name=$1 exe=$2
  [[ -f "$exe" ]] || { echo "windows: $name.exe was not built" >&2; failed_programs+=("$name"); return; }
  local log=$wine_root/$name.log xml=$wine_root/$name.xml status=0
  # Run from the program's folder, as a user would; the summary comes from gtest's own report.
  (cd "$(dirname "$exe")" &&
    timeout 600 "$WINE" "./$(basename "$exe")" --gtest_brief=1 \
      "--gtest_output=xml:$(wine_path "$xml")" </dev/null) >"$log" 2>&1 || status=$?
  gtest_summary "$xml"
  local ran=$gtest_ran passed=$gtest_passed skipped=$gtest_skipped failed=$gtest_failed
  echo "windows: $name.exe under Wine: ${ran:-?} ran, $passed passed, $skipped skipped," \
    "$failed failed (exit status $status)"
  # Skipped tests say why (the srec_cat oracle is a host program, absent on Windows).
  sed -n 's/^\(.*\) is not installed$/    skipped: \1 is not installed/p' "$log" | sort -u
  total_ran=$((total_ran + ${ran:-0}))
  total_passed=$((total_passed + passed))
  total_skipped=$((total_skipped + skipped))
  # No report, or a report of no test at all, is a program that did not really run.
  if ((status != 0 || failed != 0)) || [[ -z "$ran" ]] || ((ran == 0)); then
    failed_programs+=("$name")
    # The whole output of a failing program, to see which test failed and why.
    sed 's/^/    /' "$log"
  fi
}
for i in "${!tests[@]}"; do run_tests "${tests[$i]}" "${test_paths[$i]}"; done

echo "windows: under Wine $total_ran tests ran in ${#tests[@]} programs: $total_passed passed," \
  "$total_skipped skipped"
if [[ -n ${UPDATER_COUNTS:-} ]]; then
  echo "$total_passed $((total_ran - total_passed - total_skipped)) $total_skipped" >>"$UPDATER_COUNTS"
fi
if ((${#failed_programs[@]})); then
  echo "windows: failed under Wine: ${failed_programs[*]}" >&2
  exit 1
fi
