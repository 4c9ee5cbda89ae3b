# shellcheck shell=bash
# Sourced by the scripts that run the Windows build under Wine: a throw-away Wine prefix for one
# run, no display (wine_display starts an Xvfb for the window's runs), no Wine debug output,
# and every wait bounded. wine_cleanup stops the prefix's wineserver and the display and removes
# the prefix; the caller runs it from its EXIT trap.

wine_root=""
xvfb_pid=""

# The 64-bit loader itself when no 32-bit Wine is installed: the `wine` wrapper would pick it
# too, but only after a notice about the missing 32-bit part on every start.
if [[ -x /usr/lib/wine/wine64 && ! -x /usr/lib/wine/wine ]]; then
  WINE=/usr/lib/wine/wine64
else
  WINE=$(command -v wine || true)
fi
if [[ -x /usr/lib/wine/wineserver ]]; then
  WINESERVER=/usr/lib/wine/wineserver
else
  WINESERVER=$(command -v wineserver || true)
fi

# Builds the Linux programs that the Windows runs work with (radio-sim, updater-cli, ...) in
# $LINUX_BUILD: build by default, as the default preset makes it; another directory is configured
# without the window. Sets linux_build to that directory.
linux_programs() {
  linux_build=${LINUX_BUILD:-build}
  if [[ ! -f "$linux_build/build.ninja" ]]; then
    if [[ "$linux_build" == build ]]; then
      cmake --preset default >/dev/null
    else
      cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DUPDATER_BUILD_GUI=OFF -DUPDATER_BUILD_TESTS=OFF -DUPDATER_BUILD_BENCH=OFF >/dev/null
    fi
  fi
  cmake --build "$linux_build" -j "${JOBS:-$(nproc)}" --target "$@"
}

# The Windows build's programs: made by scripts/windows.sh, unless the caller (the test run) has
# made them already and says so with WINDOWS_BUILD_READY=1.
windows_programs() {
  [[ ${WINDOWS_BUILD_READY:-} == 1 ]] || JOBS=${JOBS:-$(nproc)} bash scripts/windows.sh --no-wine
}

wine_setup() {
  [[ -n "$WINE" && -n "$WINESERVER" ]] || {
    echo "wine: Wine is not installed (scripts/install-deps.sh --wine installs it)" >&2
    return 1
  }
  wine_root=$(mktemp -d)
  export WINEPREFIX=$wine_root/prefix
  export WINEDEBUG=-all
  export DISPLAY=
  # No Mono or Gecko: the programs need neither, and their installers would ask. No menu
  # entries on this machine for the Start-menu shortcuts made in the prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  local start=$SECONDS
  if ! timeout 120 "$WINE" wineboot -i </dev/null >"$wine_root/wineboot.log" 2>&1; then
    echo "wine: setting up the prefix failed" >&2
    cat "$wine_root/wineboot.log" >&2
    return 1
  fi
  echo "wine: prefix $WINEPREFIX ready in $((SECONDS - start)) s ($("$WINE" --version 2>/dev/null))"
}

# Starts a virtual display for the windows of this run and exports DISPLAY. Wine draws the
# windows' frames and captions itself (there is no window manager), as Windows does.
wine_display() {
  local number_file=$wine_root/display
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" \
    >"$wine_root/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local waited=0
  until [[ -s "$number_file" ]]; do
    kill -0 "$xvfb_pid" 2>/dev/null && ((waited < 100)) || {
      echo "wine: Xvfb did not start" >&2
      cat "$wine_root/xvfb.log" >&2
      return 1
    }
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(head -n 1 "$number_file")"
  # The prefix's desktop was made without a display: end that session, so that the next program
  # starts one on this display.
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
  cat >"$wine_root/unmanaged.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"Managed"="N"
REG
  timeout 60 "$WINE" regedit /S "$(wine_path "$wine_root/unmanaged.reg")" </dev/null >/dev/null 2>&1
  # Wine's own faces (the caption buttons' glyphs, the dialogs' fonts) where this Wine build
  # looks for fonts: the prefix's Fonts folder.
  if compgen -G "/usr/share/wine/fonts/*.ttf" >/dev/null; then
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  echo "wine: display $DISPLAY ready"
}

# Reads the XML report (--gtest_output=xml:FILE) of a GoogleTest program run under Wine into
# gtest_ran (empty when the program wrote no report), gtest_passed, gtest_skipped and
# gtest_failed. Every test case is one <testcase> element: run ones have status="run", skipped
# ones result="skipped", failed ones hold a <failure> element.
gtest_summary() {
  gtest_ran="" gtest_passed=0 gtest_skipped=0 gtest_failed=0
  [[ -s "$1" ]] || return 0
  # One test case a line, whatever the report's own line breaks.
  local cases
  cases=$(tr -d '\r' <"$1" | tr '\n' ' ' | sed 's/<testcase /\n<testcase /g' | grep '^<testcase ' |
    sed 's/<\/testcase>.*//; s/\(<testcase [^>]*>\).*<failure.*/\1 FAILED/') || true
  local run
  run=$(grep 'status="run"' <<<"$cases") || true
  gtest_ran=$(grep -c . <<<"$run") || true
  gtest_skipped=$(grep -c 'result="skipped"' <<<"$run") || true
  gtest_failed=$(grep -c ' FAILED$' <<<"$run") || true
  gtest_passed=$((gtest_ran - gtest_skipped - gtest_failed))
}

# The Windows name of a file of this machine (Z: is the root of the file system).
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

wine_cleanup() {
  [[ -n "$wine_root" ]] || return 0
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  # -k returns once the server is told; wait for it to let go of the prefix.
  timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  rm -rf "$wine_root"
  wine_root=""
}
