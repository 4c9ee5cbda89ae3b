#!/usr/bin/env bash
# A firmware release in one command: the Debian package, the Windows installer and the portable
# zip, all built around IMAGE (the stored, scrambled form), in one folder with SHA256SUMS and
# RELEASE.txt (the image's version, top-area tag, block counts and the image file's SHA-256).
# The build checks the image with the program's own loader first and stops with its reason
# when the program would refuse it.
#
# Reproducible to the byte: the same sources and image give the same three files in any folder
# at any time. The time inside them is the last commit's (SOURCE_DATE_EPOCH), the programs hold
# no build folder, and the compiler cache is not used, so that every byte is compiled here.
#
# Usage: scripts/release.sh IMAGE.mot [OUT_DIR]
#   OUT_DIR        the release folder (default: release/vm-updater-<version>-fw<firmware>)
#   RELEASE_BUILD  folder for the two builds (default: build-release)
#   JOBS           parallel build jobs (default: all processors)
set -euo pipefail
image=${1:?usage: scripts/release.sh IMAGE.mot [OUT_DIR]}
[[ -f $image ]] || { echo "release: no image file $image" >&2; exit 2; }
image=$(realpath "$image")
out_arg=${2:-}
[[ -n $out_arg ]] && { mkdir -p "$out_arg"; out_arg=$(realpath "$out_arg"); }
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}
build=${RELEASE_BUILD:-build-release}
mkdir -p "$build"
build=$(realpath "$build")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export CCACHE_DISABLE=1
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
  echo "release: the working tree has changes that are not committed; the release holds them" >&2

# --- Linux: the Debian package -------------------------------------------------------------
linux=$build/linux
cmake --preset default -B "$linux" -DUPDATER_FIRMWARE="$image" -DUPDATER_BUILD_TESTS=OFF \
  -DUPDATER_BUILD_BENCH=OFF -DUPDATER_SPECIAL_SETTINGS=OFF \
  -UCMAKE_CXX_COMPILER_LAUNCHER -UCMAKE_C_COMPILER_LAUNCHER | grep 'Firmware image'
cmake --build "$linux" -j "$jobs" --target updater updater-cli radio-sim package-docs
rm -f "$linux"/vm-updater_*.deb
(cd "$linux" && cpack -G DEB >/dev/null)
deb=$(ls "$linux"/vm-updater_*.deb)

# --- Windows: the installer and the zip ----------------------------------------------------
mingw=$build/mingw
# The image check of the Linux build serves the cross build too: both run on this machine.
bash scripts/mingw-configure.sh "$mingw" -DUPDATER_FIRMWARE="$image" -DUPDATER_BUILD_TESTS=OFF \
  -DUPDATER_SPECIAL_SETTINGS=OFF -UCMAKE_CXX_COMPILER_LAUNCHER -UCMAKE_C_COMPILER_LAUNCHER \
  -DUPDATER_CHECK_FIRMWARE_IMAGE="$linux/host-tools/check-firmware-image"
cmake --build "$mingw" -j "$jobs" --target updater updater-cli
mapfile -t windows < <(bash scripts/make-windows-packages.sh "$mingw" "$build/windows-packages")
((${#windows[@]} == 2)) || { echo "release: the Windows packages were not made" >&2; exit 1; }

# --- the release folder --------------------------------------------------------------------
name=$(basename "${windows[0]}" -setup.exe)
out=${out_arg:-$root/release/$name}
mkdir -p "$out"
rm -f "$out"/vm-updater* "$out/SHA256SUMS" "$out/RELEASE.txt"
cp "$deb" "${windows[@]}" "$out/"
report=$("$linux/host-tools/check-firmware-image" "$image")
field() { sed -n "s/^$1: //p" <<<"$report"; }
cat >"$out/RELEASE.txt" <<TEXT
$name: the Updater for VM-5160/VM-6160 $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt") with the firmware image $(field version)

firmware image:       $(basename "$image")
image SHA-256:        $(sha256sum "$image" | cut -d' ' -f1)
image version:        $(field version)
top-area tag:         $(field 'top-area tag')
low-area blocks:      $(field 'low-area blocks')
main-area blocks:     $(field 'main-area blocks')
top-area blocks:      $(field 'top-area blocks')
transfer-list blocks: $(field 'transfer-list blocks')
sources:              commit $(git rev-parse HEAD), $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')
TEXT
(cd "$out" && sha256sum "$(basename "$deb")" "$(basename "${windows[0]}")" \
  "$(basename "${windows[1]}")" RELEASE.txt >SHA256SUMS)
(cd "$out" && sha256sum --quiet -c SHA256SUMS)
echo "release: $out"
ls -l "$out"
