#!/usr/bin/env bash
# Cross builds the Qt-free core, its Windows-capable tests and updater-cli.exe with MinGW-w64.
# Layers that do not exist yet are skipped, so the build works while the tree grows.
# Usage: scripts/windows.sh   (JOBS=n to set the parallel jobs; default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

# CLI11 is header-only and has no MinGW package: offer Debian's headers through a package file
# of their own, so that the cross build does not put the host's /usr/include on its path.
cli11=build-mingw/host-cli11
mkdir -p "$cli11/include"
ln -sfn /usr/include/CLI "$cli11/include/CLI"
cat >"$cli11/CLI11Config.cmake" <<'CMAKE'
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/include")
endif()
set(CLI11_FOUND TRUE)
CMAKE

cmake --preset mingw -DCLI11_DIR="$(pwd)/$cli11" >/dev/null

# Every target ninja knows in this build, one name per line.
known=$(ninja -C build-mingw -t targets all | sed -n 's/^\([^:/]*\): .*/\1/p' | sort -u)

wanted=(updater_image updater_res updater_link updater_protocol link_tests updater-cli)
targets=()
for t in "${wanted[@]}"; do
  if grep -qx "$t" <<<"$known"; then
    targets+=("$t")
  else
    echo "windows: no target $t yet, skipped"
  fi
done
((${#targets[@]})) || { echo "windows: nothing to build" >&2; exit 1; }

echo "windows: building ${targets[*]}"
cmake --build build-mingw -j "$jobs" --target "${targets[@]}"
ls -l build-mingw/cli/updater-cli.exe 2>/dev/null || true
