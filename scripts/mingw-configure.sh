#!/usr/bin/env bash
# Configures a Windows cross build (the mingw preset) in BUILD_DIR, default build-mingw.
# Usage: scripts/mingw-configure.sh [BUILD_DIR [CMAKE_ARGS...]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-mingw}
shift || true
mkdir -p "$build"
build=$(cd "$build" && pwd)

# CLI11 is header-only and has no MinGW package: offer Debian's headers through a package file
# of their own, so that the cross build does not put the host's /usr/include on its path.
cli11=$build/host-cli11
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

# nlohmann-json is header-only as well: the same for its headers.
json=$build/host-nlohmann-json
mkdir -p "$json/include"
ln -sfn /usr/include/nlohmann "$json/include/nlohmann"
cat >"$json/nlohmann_jsonConfig.cmake" <<'CMAKE'
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/include")
endif()
set(nlohmann_json_FOUND TRUE)
CMAKE

cmake --preset mingw -B "$build" -DCLI11_DIR="$cli11" -Dnlohmann_json_DIR="$json" "$@" >/dev/null
