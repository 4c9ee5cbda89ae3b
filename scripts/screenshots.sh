#!/usr/bin/env bash
# Makes the README's pictures: the main window at start and the Special Settings dialog, each
# with its frame and caption, drawn on a virtual display with a window manager.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
docs=$(pwd)/docs
bash scripts/install-deps.sh --screenshots
cmake --build "$build" -j 2 --target main-window-screenshot
status_file=$(mktemp)
trap 'rm -f "$status_file"' EXIT
# The window manager starts the tool (in its own working folder) once it runs itself, so that
# it frames every window, and ends with it. The tool waits for the frames before it takes the
# pictures. The main window is the one every technician has, without Special Settings.
tool="\"$build/tests/app/main-window-screenshot\""
take="$tool \"$docs/main-window.png\" 0 \"$docs/special-settings.png\"; echo \$? >\"$status_file\""
take="$take; openbox --exit"
timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
  openbox --startup "bash -c '$take'" >/dev/null 2>&1 || true
status=$(cat "$status_file")
[[ "$status" == 0 ]] || { echo "screenshots: the pictures were not taken" >&2; exit 1; }
echo "screenshots: docs/main-window.png docs/special-settings.png"
