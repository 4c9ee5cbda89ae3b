#!/usr/bin/env bash
# Proves the packages reproducible: builds them a second time with scripts/release.sh, in a
# fresh folder elsewhere, without the compiler cache, around the same image, and compares the
# .deb, the installer and the zip byte for byte with those scripts/package.sh made in its build
# (LINUX_BUILD, default build/) and build-mingw/packages/. Only what is packaged is built the second time.
# Usage: scripts/reproducible-check.sh   (after scripts/package.sh; JOBS=n)
set -euo pipefail
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
build=${LINUX_BUILD:-build}
image=$(sed -n 's/^UPDATER_FIRMWARE:FILEPATH=//p' "$build/CMakeCache.txt")
[[ -n $image ]] || { echo "reproducible: $build/ names no firmware image" >&2; exit 1; }
first=("$build"/vm-updater_*.deb build-mingw/packages/*-setup.exe build-mingw/packages/*-portable.zip)
for f in "${first[@]}"; do [[ -f $f ]] || { echo "reproducible: $f is missing" >&2; exit 1; }; done

second=$(mktemp -d /tmp/vm-updater-second-build.XXXXXX)
trap 'rm -rf "$second"' EXIT
start=$SECONDS
RELEASE_BUILD=$second/build bash scripts/release.sh "$image" "$second/release" >"$second/log" 2>&1 ||
  { tail -n 40 "$second/log"; echo "reproducible: the second build failed" >&2; exit 1; }
echo "reproducible: second build in $second without the compiler cache: $((SECONDS - start)) s"

differ=0
for f in "${first[@]}"; do
  other=$second/release/$(basename "$f")
  if cmp -s "$f" "$other"; then
    echo "reproducible: $(basename "$f") is the same to the byte ($(sha256sum <"$f" | cut -c1-16)…)"
  else
    differ=1
    echo "reproducible: $(basename "$f") differs between the two builds" >&2
    if [[ $f == *.deb ]]; then
      diff <(dpkg-deb -c "$f") <(dpkg-deb -c "$other") >&2 || true
    fi
  fi
done
((differ == 0)) || exit 1
echo "reproducible: the .deb, the installer and the zip are the same to the byte"
