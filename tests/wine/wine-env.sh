# shellcheck shell=bash
# Sourced by the scripts that run the Windows build under Wine: a throw-away Wine prefix for one
# run, no display, no Wine debug output, and every wait bounded. wine_cleanup stops the prefix's
# wineserver and removes the prefix; the caller runs it from its EXIT trap.

wine_root=""

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

wine_setup() {
  [[ -n "$WINE" && -n "$WINESERVER" ]] || {
    echo "wine: Wine is not installed (scripts/install-deps.sh --wine installs it)" >&2
    return 1
  }
  wine_root=$(mktemp -d)
  export WINEPREFIX=$wine_root/prefix
  export WINEDEBUG=-all
  export DISPLAY=
  # No Mono or Gecko: console programs need neither, and their installers would ask.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local start=$SECONDS
  if ! timeout 120 "$WINE" wineboot -i </dev/null >"$wine_root/wineboot.log" 2>&1; then
    echo "wine: setting up the prefix failed" >&2
    cat "$wine_root/wineboot.log" >&2
    return 1
  fi
  echo "wine: prefix $WINEPREFIX ready in $((SECONDS - start)) s ($("$WINE" --version 2>/dev/null))"
}

wine_cleanup() {
  [[ -n "$wine_root" ]] || return 0
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  # -k returns once the server is told; wait for it to let go of the prefix.
  timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
  rm -rf "$wine_root"
  wine_root=""
}
