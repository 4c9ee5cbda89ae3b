#!/usr/bin/env bash
# The Windows packages of a cross build: vm-updater-<version>-fw<firmware>-setup.exe (NSIS) and
# vm-updater-<version>-fw<firmware>-windows-portable.zip of updater.exe and updater-cli.exe,
# written to OUT_DIR, their paths printed one a line. Reproducible to the byte: the programs are
# stripped, every file and folder in the packages carries the time of the last commit
# (SOURCE_DATE_EPOCH, unless given), and the zip holds its members in a fixed order with no
# owner, no extra time fields and UTC times.
# Given a signing identity (scripts/authenticode.sh), the two programs, the uninstaller the
# installer writes and the installer are signed; the uninstaller as the installer holds it is
# left beside the programs in OUT_DIR/vm-updater-<version>-fw<firmware>/, signed or not.
# Usage: scripts/make-windows-packages.sh BUILD_DIR OUT_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?the cross build folder} out=${2:?the output folder}
cache=$build/CMakeCache.txt
program=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
release=$(sed -n 's/^UPDATER_RELEASE_VERSION_CACHED:INTERNAL=//p' "$cache")
firmware=$(sed -n 's/^UPDATER_FIRMWARE_PACKAGE_VERSION_CACHED:INTERNAL=//p' "$cache")
[[ -n $program && -n $release && -n $firmware ]] ||
  { echo "make-windows-packages: no versions in $cache" >&2; exit 1; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
stamp=@$SOURCE_DATE_EPOCH

name=vm-updater-$program-fw$firmware
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$out/$name
rm -rf "$stage"
mkdir -p "$stage"
for exe in "$build/win/updater.exe" "$build/cli/updater-cli.exe"; do
  x86_64-w64-mingw32-strip -o "$stage/$(basename "$exe")" "$exe"
  chmod 0755 "$stage/$(basename "$exe")"
  bash scripts/authenticode.sh sign "$stage/$(basename "$exe")"
done
touch -d "$stamp" "$stage"/* "$stage"

setup=$out/$name-setup.exe
makensis -V2 -DVERSION="$program" -DRELEASE_VERSION="$release" -DFIRMWARE_VERSION="$firmware" \
  -DBINDIR="$stage" -DOUTFILE="$setup" -DFINISHER="bash \"$(pwd)/scripts/authenticode.sh\"" \
  packaging/windows/updater.nsi
zip=$out/$name-windows-portable.zip
rm -f "$zip"
(cd "$out" && TZ=UTC zip -q -X -D "$zip" "$name/updater-cli.exe" "$name/updater.exe")
touch -d "$stamp" "$setup" "$zip"
echo "$setup"
echo "$zip"
