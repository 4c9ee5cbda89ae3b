#!/usr/bin/env bash
# A firmware release in one command: the Debian package, the Windows installer and the portable
# zip, all built around IMAGE (the stored, scrambled form), in one folder with SHA256SUMS and
# RELEASE.txt (the image's version, top-area tag, block counts and the image file's SHA-256),
# and an apt repository holding the .deb (scripts/release-folder.sh).
# The build checks the image with the program's own loader first and stops with its reason
# when the program would refuse it.
#
# Reproducible to the byte: the same sources and image give the same three files in any folder
# at any time. The time inside them is the last commit's (SOURCE_DATE_EPOCH), the programs hold
# no build folder, and the compiler cache is not used, so that every byte is compiled here.
#
# Signed when given a signing identity in the environment (never kept in the repository):
# Authenticode on updater.exe, updater-cli.exe, the uninstaller and the installer (see
# scripts/authenticode.sh for RELEASE_SIGN_CERT, RELEASE_SIGN_KEY, RELEASE_SIGN_PKCS12,
# RELEASE_SIGN_PASSFILE and RELEASE_TIMESTAMP_URL), and with the OpenPGP key RELEASE_GPG_KEY
# SHA256SUMS.asc and the apt repository's InRelease and Release.gpg. Without them the release is
# unsigned, and this says so. Signatures removed (`osslsigncode remove-signature`), the programs
# and the uninstaller are the unsigned build's bytes; scripts/verify-release.sh checks a release.
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
identity=0
bash scripts/authenticode.sh identity || identity=$?
((identity != 1)) ||
  echo "release: no Authenticode identity (RELEASE_SIGN_CERT and RELEASE_SIGN_KEY, or" \
    "RELEASE_SIGN_PKCS12): the Windows files are not signed" >&2
((identity <= 1)) || exit 1
[[ -z ${RELEASE_GPG_KEY:-} ]] || gpg --batch --list-secret-keys "$RELEASE_GPG_KEY" >/dev/null ||
  { echo "release: no secret OpenPGP key $RELEASE_GPG_KEY in the keyring" >&2; exit 1; }
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
bash scripts/release-folder.sh "$out" "$image" "$linux" "$deb" "${windows[@]}"
ls -l "$out"
