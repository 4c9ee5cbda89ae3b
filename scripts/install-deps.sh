#!/usr/bin/env bash
# Installs every Debian package the build, the tests and CI need. Idempotent; run as root.
# Usage: scripts/install-deps.sh [--wine]   (--wine adds what the Windows run under Wine needs)
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  srecord xvfb xauth imagemagick
  g++-mingw-w64-x86-64-posix
  dpkg-dev fakeroot file lintian desktop-file-utils help2man
)
if [[ "${1:-}" == "--wine" ]]; then
  packages+=(wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "missing packages: ${missing[*]} (run this script as root)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
