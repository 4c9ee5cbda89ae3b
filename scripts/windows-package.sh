#!/usr/bin/env bash
# The Windows packages, built on Linux by scripts/make-windows-packages.sh:
# vm-updater-<version>-fw<firmware>-setup.exe (NSIS) and a portable zip of updater.exe and
# updater-cli.exe; the file properties of each carry the program's and the firmware's versions.
# The installer is then proven under Wine in a fresh prefix: a silent install, the installed
# updater-cli.exe --version and a write into the simulated radio on COM5 (a small image from
# C:\Prüfstand\, so that it takes moments), a silent uninstall, and nothing of it left behind.
# With UPDATER_COUNTS set, the checks' results are added to that file.
# Usage: scripts/windows-package.sh   (JOBS=n; LINUX_BUILD=dir for radio-sim, default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

JOBS=$jobs bash scripts/windows.sh --no-wine
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-mingw/CMakeCache.txt)
[[ -n "$version" ]] || { echo "windows-package: no project version in build-mingw" >&2; exit 1; }
source tests/wine/wine-env.sh
JOBS=$jobs linux_programs radio-sim updater-cli descramble-image
sim=$root/$linux_build/sim/radio-sim

# --- the packages --------------------------------------------------------------------------
out=$root/build-mingw/packages
rm -rf "$out"
mapfile -t packages < <(bash scripts/make-windows-packages.sh build-mingw "$out")
((${#packages[@]} == 2)) || { echo "windows-package: the packages were not made" >&2; exit 1; }
setup=${packages[0]}
zip=${packages[1]}
ls -l "$setup" "$zip"
release=$(sed -n 's/^UPDATER_RELEASE_VERSION_CACHED:INTERNAL=//p' build-mingw/CMakeCache.txt)

# --- install, use and uninstall under Wine -------------------------------------------------
work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [[ -n "$sim_pid" ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  wine_cleanup
  rm -rf "$work"
}
trap cleanup EXIT
wine_setup

drive=$WINEPREFIX/drive_c
# What the prefix holds, but its scratch folders (the uninstaller runs from a copy in Temp).
snapshot() { (cd "$drive" && find . -path '*/Temp' -prune -o -print | LC_ALL=C sort); }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vm-updater'
registry_has_key() { timeout 60 "$WINE" reg query "$uninstall_key" </dev/null >/dev/null 2>&1; }
# Runs a Windows program and waits until every process it started in the prefix has ended.
run_and_wait() {
  timeout 120 "$WINE" "$@" </dev/null
  timeout 120 "$WINESERVER" -w
}
failures=0
passes=0
fail() {
  failures=$((failures + 1))
  echo "windows-package: $*" >&2
}
# expect WHAT COMMAND...: one check; WHAT is said when the command fails.
expect() {
  local what=$1
  shift
  if "$@"; then passes=$((passes + 1)); else fail "$what"; fi
}
no_uninstall_key() { ! registry_has_key; }

# The file properties: the product version of each program and of the installer names the
# program's and the firmware's versions ("1.0.0+fw2.10.07"). The version information holds its
# keys and values as UTF-16 strings, the value right after its key.
product_version() { strings -el "$1" | grep -A1 -x ProductVersion | tail -n 1; }
for file in "$out/vm-updater-"*"/updater.exe" "$out/vm-updater-"*"/updater-cli.exe" "$setup"; do
  expect "$(basename "$file") has the product version \"$(product_version "$file")\", not $release" \
    test "$(product_version "$file")" = "$release"
done

# The image to write, as a user keeps it; placed before the first look at the prefix.
image_dir="$drive/Prüfstand"
mkdir -p "$image_dir"
"$root/$linux_build/tools/descramble-image" tests/wine/small-image.srec "$image_dir/small-image.mot"
"$root/$linux_build/cli/updater-cli" info --blocks --file "$image_dir/small-image.mot" \
  >"$work/small-blocks.txt"

snapshot >"$work/before.txt"
expect "the uninstall key exists before the installation" no_uninstall_key

run_and_wait "$setup" /S
install_dir="$drive/Program Files/VM Updater"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
for file in updater.exe updater-cli.exe uninstall.exe; do
  expect "not installed: $file" test -f "$install_dir/$file"
done
expect "no Start-menu shortcut" test -f "$menu/Updater for VM-5160 and VM-6160.lnk"
menu_names_entry() {
  tr -d '\r' <"$menu/desktop.ini" 2>/dev/null |
    grep -qxF 'Updater for VM-5160 and VM-6160.lnk=Updater for VM-5160/VM-6160'
}
expect "the Start menu does not name the entry \"Updater for VM-5160/VM-6160\"" menu_names_entry
expect "no uninstall key in the registry" registry_has_key
echo "windows-package: installed silently into C:\\Program Files\\VM Updater"

installed_cli="C:\\Program Files\\VM Updater\\updater-cli.exe"
reported=$(timeout 60 "$WINE" "$installed_cli" --version </dev/null | tr -d '\r')
echo "$reported" | sed 's/^/    /'
expect "the installed updater-cli reports another version" \
  grep -qx "updater-cli $version" <<<"$reported"

"$sim" --once --dump "$work/dump.txt" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  [[ -s "$work/sim.out" ]] && break
  sleep 0.1
done
ln -sfn "$(head -n 1 "$work/sim.out")" "$WINEPREFIX/dosdevices/com5"
write_status=0
timeout 300 "$WINE" "$installed_cli" write --port COM5 --yes \
  --file 'C:\Prüfstand\small-image.mot' </dev/null >"$work/write.log" 2>&1 || write_status=$?
sim_status=0
wait "$sim_pid" || sim_status=$?
sim_pid=""
compared=1
verdict=$(bash scripts/compare-dump.sh "$work/small-blocks.txt" "$work/dump.txt" 2>&1) || compared=0
if ((write_status == 0 && sim_status == 0 && compared)); then
  passes=$((passes + 1))
  echo "windows-package: the installed updater-cli.exe wrote the radio on COM5; $verdict"
else
  echo "    $verdict" >&2
  fail "the installed updater-cli.exe write failed (status $write_status, radio $sim_status)"
  tr -d '\r' <"$work/write.log" | grep -v '^progress: ' | sed 's/^/    /' >&2
  sed 's/^/    /' "$work/sim.err" >&2
fi
rm -f "$WINEPREFIX/dosdevices/com5"

run_and_wait "C:\\Program Files\\VM Updater\\uninstall.exe" /S
expect "the uninstall key is still in the registry" no_uninstall_key
snapshot >"$work/after.txt"
if diff "$work/before.txt" "$work/after.txt" >"$work/left.txt"; then
  passes=$((passes + 1))
  echo "windows-package: uninstalled silently; nothing is left in the prefix"
else
  fail "the uninstallation left files behind:"
  sed 's/^/    /' "$work/left.txt" >&2
fi

if [[ -n ${UPDATER_COUNTS:-} ]]; then
  echo "$passes $failures 0" >>"$UPDATER_COUNTS"
fi
if ((failures)); then
  echo "windows-package: $failures check(s) failed" >&2
  exit 1
fi
echo "windows-package: $(basename "$setup") installs, runs and uninstalls cleanly under Wine"
