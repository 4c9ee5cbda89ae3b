#!/usr/bin/env bash
# The Windows packages, built on Linux by scripts/make-windows-packages.sh:
# vm-updater-<version>-fw<firmware>-setup.exe (NSIS) and a portable zip of updater.exe and
# updater-cli.exe; the file properties of each carry the program's and the firmware's versions.
# The installer is then proven under Wine in a fresh prefix: a silent install, the installed
# updater-cli.exe --version and a write into the simulated radio on COM5 (a small image from
# C:\Prüfstand\, so that it takes moments), a silent uninstall, and nothing of it left behind;
# then an upgrade over an earlier version (one uninstall entry, one Start-menu entry, the new
# files), an installation refused while the installed Updater runs, and the final uninstall
# leaving nothing.
# With UPDATER_COUNTS set, the checks' results are added to that file.
# Usage: scripts/windows-package.sh   (JOBS=n; LINUX_BUILD=dir for radio-sim, default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

source tests/wine/wine-env.sh
JOBS=$jobs windows_programs
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-mingw/CMakeCache.txt)
[[ -n "$version" ]] || { echo "windows-package: no project version in build-mingw" >&2; exit 1; }
JOBS=$jobs linux_programs radio-sim updater-cli scramble-image
sim=$root/$linux_build/sim/radio-sim

# --- the packages --------------------------------------------------------------------------
out=$root/build-mingw/packages
rm -rf "$out"
mapfile -t packages < <(bash scripts/make-windows-packages.sh build-mingw "$out")
((${#packages[@]} == 2)) || { echo "windows-package: the packages were not made" >&2; exit 1; }
setup=${packages[0]}
zip=${packages[1]}
# An earlier version to upgrade from: the same installer with a lower version and the programs
# as built, unstripped, so that every installed file differs from the new one.
earlier_version=0.0.1
earlier_stage=$root/build-mingw/earlier-package/vm-updater-$earlier_version
rm -rf "$(dirname "$earlier_stage")"
mkdir -p "$earlier_stage"
cp build-mingw/win/updater.exe build-mingw/cli/updater-cli.exe "$earlier_stage/"
earlier_setup=$(dirname "$earlier_stage")/vm-updater-$earlier_version-setup.exe
# Compressed the quick way: it is only installed here.
makensis -V2 -X"SetCompressor /FINAL zlib" -DVERSION="$earlier_version" -DBINDIR="$earlier_stage" \
  -DOUTFILE="$earlier_setup" packaging/windows/updater.nsi
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
# A display for the installed window, which runs while an installation is tried.
wine_display

drive=$WINEPREFIX/drive_c
# What the prefix holds, but its scratch folders (the uninstaller runs from a copy in Temp).
snapshot() { (cd "$drive" && find . -path '*/Temp' -prune -o -print | LC_ALL=C sort); }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vm-updater'
registry_has_key() { timeout 60 "$WINE" reg query "$uninstall_key" </dev/null >/dev/null 2>&1; }
# Runs a Windows program and waits until every process it started in the prefix has ended;
# returns the program's exit status.
run_and_wait() {
  local status=0
  timeout 120 "$WINE" "$@" </dev/null || status=$?
  timeout 120 "$WINESERVER" -w
  return "$status"
}
# The uninstall entries naming the product, once the server has written the registry out.
uninstall_entries() {
  grep -c '^"DisplayName"="Updater for VM-5160/VM-6160"' "$WINEPREFIX/system.reg" || true
}
installed_version() {
  timeout 60 "$WINE" reg query "$uninstall_key" /v DisplayVersion </dev/null 2>/dev/null |
    tr -d '\r' | sed -n 's/.*DisplayVersion[[:space:]]*REG_SZ[[:space:]]*//p'
}
# The installed files with their contents, and the Start menu's entries.
installation() {
  (cd "$install_dir" && find . -type f -exec md5sum {} + | LC_ALL=C sort -k 2)
  (cd "$menu" && find . | LC_ALL=C sort)
  tr -d '\r' <"$menu/desktop.ini"
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
"$root/$linux_build/tools/scramble-image" tests/wine/small-image.srec "$image_dir/small-image.mot"
"$root/$linux_build/cli/updater-cli" info --blocks --file "$image_dir/small-image.mot" \
  >"$work/small-blocks.txt"

snapshot >"$work/before.txt"
expect "the uninstall key exists before the installation" no_uninstall_key

install_dir="$drive/Program Files/VM Updater"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
run_and_wait "$setup" /S
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
installation >"$work/fresh-installation.txt"

installed_cli="C:\\Program Files\\VM Updater\\updater-cli.exe"
reported=$(timeout 60 "$WINE" "$installed_cli" --version </dev/null | tr -d '\r')
echo "$reported" | sed 's/^/    /'
expect "the installed updater-cli reports another version" \
  grep -qx "updater-cli $version" <<<"$reported"

source scripts/lib/radio.sh
radio_start "$work/sim" "$sim" --once --dump "$work/dump.txt" ||
  { cat "$work/sim.err" >&2; echo "windows-package: the simulated radio did not start" >&2; exit 1; }
sim_pid=$radio_pid
ln -sfn "$radio_port" "$WINEPREFIX/dosdevices/com5"
write_status=0
timeout 300 "$WINE" "$installed_cli" write --port COM5 --yes \
  --file 'C:\Prüfstand\small-image.mot' </dev/null >"$work/write.log" 2>&1 || write_status=$?
sim_status=0
radio_stop "$sim_pid" || sim_status=$?
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

# --- an upgrade over an earlier version ----------------------------------------------------
run_and_wait "$earlier_setup" /S
expect "the earlier version did not install" test "$(installed_version)" = "$earlier_version"
status=0
run_and_wait "$setup" /S || status=$?
expect "the upgrade ended with status $status" test "$status" = 0
expect "the upgrade left $(uninstall_entries) uninstall entries, not one" \
  test "$(uninstall_entries)" = 1
expect "after the upgrade the entry names version $(installed_version)" \
  test "$(installed_version)" = "$version"
installation >"$work/upgraded-installation.txt"
if diff "$work/fresh-installation.txt" "$work/upgraded-installation.txt" >"$work/upgrade.diff"; then
  passes=$((passes + 1))
  echo "windows-package: $earlier_version upgraded to $version in place: one uninstall entry," \
    "the Start-menu entry and the files of $version, nothing of $earlier_version left"
else
  fail "the upgrade differs from a fresh installation:"
  sed 's/^/    /' "$work/upgrade.diff" >&2
fi

# --- an installation while the installed Updater runs ---------------------------------------
timeout 120 "$WINE" "C:\\Program Files\\VM Updater\\updater.exe" </dev/null >/dev/null 2>&1 &
updater_pid=$!
for _ in $(seq 300); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Updater for VM-5160/VM-6160' && break
  sleep 0.1
done
status=0
timeout 120 "$WINE" "$setup" /S </dev/null 2>"$work/refused.err" || status=$?
tr -d '\r' <"$work/refused.err" | grep 'running' | sed 's/^/    /'
expect "the installation over the running Updater ended with status $status, not 2" \
  test "$status" = 2
expect "the refused installation said nothing on its standard error" \
  grep -q 'The Updater is running' "$work/refused.err"
installation >"$work/running-installation.txt"
expect "the refused installation changed the installed files" \
  cmp -s "$work/fresh-installation.txt" "$work/running-installation.txt"
kill "$updater_pid" 2>/dev/null || true
wait "$updater_pid" 2>/dev/null || true
timeout 120 "$WINESERVER" -k >/dev/null 2>&1 || true
timeout 120 "$WINESERVER" -w >/dev/null 2>&1 || true
echo "windows-package: an installation while the Updater runs ends with status 2 and changes nothing"

run_and_wait "C:\\Program Files\\VM Updater\\uninstall.exe" /S
snapshot >"$work/after-upgrade.txt"
if diff "$work/before.txt" "$work/after-upgrade.txt" >"$work/left.txt"; then
  passes=$((passes + 1))
  echo "windows-package: the upgraded installation uninstalled silently; nothing is left"
else
  fail "the uninstallation after the upgrade left files behind:"
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
