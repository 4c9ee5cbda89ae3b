#!/usr/bin/env bash
# The Windows window under Wine on a virtual display: updater.exe must show the caption with the
# embedded image's version, and the window tests (win_gui_tests.exe: the real dialogs driven
# through window messages) must pass against simulated radios mapped as COM ports:
#   COM5  a radio that serves every update (its memory is compared with the image at the end)
#   COM7  a line on which no radio answers
# The image the window loads lies under C:\Prüfstand\, a folder outside the ANSI code page.
#
# The layout tests (WinWindowLayout.*) then run again at 120 and 144 DPI, the scalings of
# technicians' laptops (125 and 150 %), set as Wine's LogPixels.
#
# With UPDATER_COUNTS set, the tests' and the checks' results are added to that file.
# Usage: scripts/wine-window.sh [--screenshot FILE.png]   (saves a picture of updater.exe)
#        scripts/wine-window.sh --pictures DIR   (the main window, the banner and Special
#                                                 Settings at each scaling, as DIR/*-DPI.png)
#   LINUX_BUILD=dir  Linux build directory for radio-sim and updater-cli (default: build)
#   JOBS=n           parallel build jobs (default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}
screenshot=""
pictures=""
case "${1:-}" in
  "") ;;
  --screenshot) screenshot=$(realpath -m "${2:?--screenshot needs a file}") ;;
  --pictures) pictures=$(realpath -m "${2:?--pictures needs a folder}") ;;
  *) echo "wine-window.sh: unknown argument $1" >&2; exit 2 ;;
esac

# --- the programs --------------------------------------------------------------------------
source tests/wine/wine-env.sh
JOBS=$jobs windows_programs
updater_exe=$root/build-mingw/win/updater.exe
tests_exe=$root/build-mingw/tests/win/win_gui_tests.exe
for f in "$updater_exe" "$tests_exe"; do
  [[ -f "$f" ]] || { echo "wine-window: $f was not built" >&2; exit 1; }
done
JOBS=$jobs linux_programs radio-sim updater-cli scramble-image
sim=$root/$linux_build/sim/radio-sim
cli=$root/$linux_build/cli/updater-cli

# --- prefix, display, radios ---------------------------------------------------------------
work=$(mktemp -d)
sim_pids=()
cleanup() {
  local pid
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${sim_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  wine_cleanup
  rm -rf "$work"
}
trap cleanup EXIT
wine_setup
wine_display

image_dir="$WINEPREFIX/drive_c/Prüfstand"
mkdir -p "$image_dir"
"$root/$linux_build/tools/scramble-image" tests/wine/small-image.srec "$image_dir/small-image.mot"
"$cli" info --blocks --file "$image_dir/small-image.mot" >"$work/small-blocks.txt"
embedded_version=$("$cli" --version | sed -n 's/^embedded image: //p')
[[ -n "$embedded_version" ]] || { echo "wine-window: no embedded image version" >&2; exit 1; }

# start_radio N OPTIONS...: a simulated radio on COMn until the end of the run.
source scripts/lib/radio.sh
start_radio() {
  local n=$1
  shift
  radio_start "$work/com$n" "$sim" --dump "$work/com$n.dump" "$@" ||
    { echo "wine-window: the radio for COM$n did not start" >&2; exit 1; }
  sim_pids+=("$radio_pid")
  ln -sfn "$radio_port" "$WINEPREFIX/dosdevices/com$n"
}
# Every byte the radio on COM7 receives, for the tests of the window's saved trace.
received_dir="$WINEPREFIX/drive_c/radios"
mkdir -p "$received_dir"
start_radio 5
start_radio 7 --no-syn --received "$received_dir/received-7.bin"

failures=0  # checks of this script
passes=0

# --- updater.exe itself: its caption, and a picture ----------------------------------------
caption="Updater for VM-5160/VM-6160         Ver. $embedded_version"
timeout 120 "$WINE" "$updater_exe" </dev/null >"$work/updater.log" 2>&1 &
updater_pid=$!
shown=0
window_id=""
for _ in $(seq 300); do
  # The window by its caption, on screen, once the status banner (the only window as large as
  # its 438 x 270 picture) has gone after the port scan.
  window_id=$(xwininfo -name "$caption" 2>/dev/null |
    sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' || true)
  if [[ -n "$window_id" ]] &&
    xwininfo -id "$window_id" 2>/dev/null | grep -q 'Map State: IsViewable' &&
    ! xwininfo -root -children 2>/dev/null | grep -q ' 438x270+'; then
    shown=1
    break
  fi
  kill -0 "$updater_pid" 2>/dev/null || break
  sleep 0.1
done
if ((shown)); then
  echo "wine-window: updater.exe shows \"$caption\""
  passes=$((passes + 1))
  if [[ -n "$screenshot" ]]; then
    # A moment for the controls to be drawn: the window as the technician meets it.
    sleep 1
    geometry=$(xwininfo -id "$window_id" | awk '
      /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
      /Width:/ { w = $NF } /Height:/ { h = $NF } END { printf "%dx%d+%d+%d", w, h, x, y }')
    timeout 30 import -window root -crop "$geometry" +repage "$screenshot"
    echo "wine-window: picture of the window in $screenshot"
  fi
else
  failures=$((failures + 1))
  echo "wine-window: updater.exe showed no window captioned \"$caption\"" >&2
  cat "$work/updater.log" >&2
fi
kill "$updater_pid" 2>/dev/null || true
wait "$updater_pid" 2>/dev/null || true
timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true

# --- the window tests ----------------------------------------------------------------------
status=0
(
  cd "$(dirname "$tests_exe")"
  export UPDATER_WIN_TEST_RADIO=COM5 UPDATER_WIN_TEST_SILENT=COM7
  export UPDATER_WIN_TEST_IMAGE='C:\Prüfstand\small-image.mot'
  export UPDATER_WIN_TEST_SILENT_RECEIVED='C:\radios\received-7.bin'
  timeout 600 "$WINE" ./win_gui_tests.exe --gtest_brief=1 \
    "--gtest_output=xml:$(wine_path "$work/tests.xml")" </dev/null
) >"$work/tests.log" 2>&1 || status=$?
gtest_summary "$work/tests.xml"
ran=$gtest_ran passed=$gtest_passed skipped=$gtest_skipped tests_failed=$gtest_failed
echo "wine-window: win_gui_tests.exe: ${ran:-?} ran, $passed passed, $skipped skipped," \
  "$tests_failed failed (exit status $status)"
tests_ok=1
# No report, or a report of no test at all, is a run that did not really happen.
if ((status != 0 || tests_failed != 0 || ${ran:-0} == 0)); then
  tests_ok=0
  # A run that failed without naming a failed test (a crash, the time limit) counts as one.
  ((tests_failed > 0)) || tests_failed=1
  sed 's/^/    /' "$work/tests.log" >&2
fi

# --- what the radios saw -------------------------------------------------------------------
for pid in "${sim_pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
sim_statuses=()
for pid in "${sim_pids[@]}"; do
  s=0
  wait "$pid" || s=$?
  sim_statuses+=("$s")
done
sim_pids=()
if verdict=$(bash scripts/compare-dump.sh "$work/small-blocks.txt" "$work/com5.dump" 2>&1); then
  passes=$((passes + 1))
else
  failures=$((failures + 1))
  echo "wine-window: the radio on COM5 does not hold the image: $verdict" >&2
fi
if [[ "${sim_statuses[0]}" != 0 ]]; then
  failures=$((failures + 1))
  echo "wine-window: the radio on COM5 found faults in the traffic:" >&2
  sed 's/^/    /' "$work/com5.err" >&2
else
  passes=$((passes + 1))
  echo "wine-window: COM5: $(grep -m1 'session' "$work/com5.err"); $verdict"
fi

# --- the window at each scaling --------------------------------------------------------------
# Wine takes the scaling from LogPixels when its session starts: the server is ended between
# the runs. The run at 96 DPI is the one above.
set_dpi() {
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
  timeout 60 "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    </dev/null >/dev/null 2>&1
}
picture_dir=$WINEPREFIX/drive_c/pictures
mkdir -p "$picture_dir"
layout_dpis=(120 144)
[[ -z "$pictures" ]] || layout_dpis=(96 120 144)
for dpi in "${layout_dpis[@]}"; do
  set_dpi "$dpi"
  status=0
  (
    cd "$(dirname "$tests_exe")"
    export UPDATER_WIN_TEST_DPI=$dpi
    [[ -z "$pictures" ]] || export UPDATER_WIN_TEST_PICTURES='C:\pictures'
    timeout 300 "$WINE" ./win_gui_tests.exe --gtest_brief=1 --gtest_filter='WinWindowLayout.*' \
      "--gtest_output=xml:$(wine_path "$work/layout-$dpi.xml")" </dev/null
  ) >"$work/layout-$dpi.log" 2>&1 || status=$?
  gtest_summary "$work/layout-$dpi.xml"
  echo "wine-window: the window at $dpi DPI: ${gtest_ran:-?} ran, $gtest_passed passed," \
    "$gtest_failed failed (exit status $status)"
  passes=$((passes + gtest_passed))
  if ((status != 0 || gtest_failed != 0 || ${gtest_ran:-0} == 0)); then
    failures=$((failures + (gtest_failed > 0 ? gtest_failed : 1)))
    sed 's/^/    /' "$work/layout-$dpi.log" >&2
  fi
done
set_dpi 96
if [[ -n "$pictures" ]]; then
  mkdir -p "$pictures"
  for bmp in "$picture_dir"/*.bmp; do
    [[ -e "$bmp" ]] || continue
    convert "$bmp" "$pictures/$(basename "${bmp%.bmp}").png"
    echo "wine-window: $pictures/$(basename "${bmp%.bmp}").png"
  done
fi

if [[ -n ${UPDATER_COUNTS:-} ]]; then
  echo "$((passed + passes)) $((tests_failed + failures)) $skipped" >>"$UPDATER_COUNTS"
fi
if ((failures)) || ! ((tests_ok)); then
  echo "wine-window: $((failures + 1 - tests_ok)) check(s) failed" >&2
  exit 1
fi
echo "wine-window: the window passed under Wine"
