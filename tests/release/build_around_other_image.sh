#!/usr/bin/env bash
# A build around another valid image shows that image's version in `updater-cli info`,
# `updater --version` and the window's caption; the same build with the image broken (a wrong
# checksum) fails with the loader's reason.
# Usage: build_around_other_image.sh SOURCE_DIR BUILD_DIR DESCRAMBLER BROKEN.srec CMAKE_ARGS...
#   CMAKE_ARGS: the settings of the build that runs the test (its compiler cache, build type,
#   warnings), so that the compiler cache serves what that build compiled already.
set -euo pipefail
source_dir=$1 build=$2 scrambler=$3 broken=$4
shift 4
rm -rf "$build"
mkdir -p "$build"
image=$build/other.mot
"$scrambler" "$source_dir/tests/wine/small-image.srec" "$image"
failures=0
check() {  # check WHAT TEXT FILE: the file holds the text
  if grep -qF -- "$2" "$3"; then echo "ok: $1"; else
    echo "FAILED: $1: \"$2\" not in:"; sed 's/^/    /' "$3"; failures=$((failures + 1)); fi
}

cmake -S "$source_dir" -B "$build/tree" -G Ninja "$@" -DUPDATER_FIRMWARE="$image" \
  -DUPDATER_BUILD_BENCH=OFF >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
check "configuring names the version and the tag" \
  "Firmware image version: V9.99.01, top-area tag: 5AA55AA55AA55AA55AA55AA55AA55AA5" \
  "$build/configure.log"
cmake --build "$build/tree" -j 2 --target updater-cli updater main-window-screenshot \
  >"$build/build.log" 2>&1 || { tail -n 30 "$build/build.log"; exit 1; }

"$build/tree/cli/updater-cli" info >"$build/info.txt"
check "updater-cli info shows the version" "version: V9.99.01" "$build/info.txt"
"$build/tree/app/updater" --version >"$build/version.txt"
check "updater --version shows both versions" "updater 1.0.0" "$build/version.txt"
check "updater --version shows the image's version" "embedded image: V9.99.01" "$build/version.txt"
QT_QPA_PLATFORM=offscreen "$build/tree/tests/app/main-window-screenshot" "$build/window.png" \
  >"$build/caption.txt" 2>/dev/null
check "the window's caption shows the version" \
  "Updater for VM-5160/VM-6160         Ver. V9.99.01" "$build/caption.txt"

# The same image, broken in place: the next build stops with the loader's reason.
"$scrambler" "$broken" "$image"
if cmake --build "$build/tree" -j 2 --target updater-cli >"$build/broken.log" 2>&1; then
  echo "FAILED: the build around a broken image succeeded"
  failures=$((failures + 1))
else
  check "the broken image fails the build with the reason" "wrong checksum" "$build/broken.log"
fi

if ((failures)); then
  echo "other image: $failures check(s) failed"
  exit 1
fi
rm -rf "$build"
echo "other image: all checks passed"
