#!/usr/bin/env bash
# Installs every Debian package the build, the tests and CI need. Idempotent. As root it installs
# directly; as a user it asks for root through sudo, and only when a package is missing.
# Usage: scripts/install-deps.sh [--wine | --screenshots]   (--wine adds what the Windows run under
# Wine needs and what the run through real serial drivers in an emulated PC needs, --screenshots
# what scripts/screenshots.sh needs)
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libudev-dev nlohmann-json3-dev pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  srecord xvfb xauth imagemagick libx11-dev
  g++-mingw-w64-x86-64-posix
  dpkg-dev fakeroot file lintian desktop-file-utils help2man zip
  # Signing and checking a release: Authenticode, OpenPGP, the apt repository.
  osslsigncode openssl gnupg gpgv unzip apt-utils
)
if [[ "${1:-}" == "--wine" ]]; then
  packages+=(wine wine64 fonts-wine nsis x11-utils)
  # The emulated PC whose kernel drives a 16550 UART and a USB serial adapter; its kernel is
  # fetched by scripts/drivers.sh with `apt-get download`, never installed.
  packages+=(qemu-system-x86 busybox-static cpio)
fi
# The README's pictures are taken with a window manager, which draws the captions.
if [[ "${1:-}" == "--screenshots" ]]; then
  packages+=(openbox)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

((${#missing[@]})) || exit 0
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "missing packages: ${missing[*]}; install them as root (there is no sudo here)" >&2
    exit 1
  fi
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
