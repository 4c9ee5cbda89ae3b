#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, desktop-file-validate), unpacks it into a
# fresh staging root and runs the installed programs from there: `updater-cli info`, and an
# `updater-cli write` of a small image against the installed `radio-sim`. Then the Windows
# packages, and the proof that all three are reproducible: a second build elsewhere gives the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
# The time inside the packages: the last commit's.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

# The build to package: build/ as the default preset makes it, or LINUX_BUILD (the test run's
# own build, configured already).
build=${LINUX_BUILD:-build}
[[ $build != build ]] || cmake --preset default >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/vm-updater_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vm-updater_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/Depends/p'

desktop-file-validate packaging/vm-updater.desktop
echo "desktop entry: valid"
# Errors fail the phase; warnings and notes are listed for the record.
lintian --tag-display-limit 0 --fail-on error "$deb" || { echo "lintian reported errors"; exit 1; }

stage=$(mktemp -d)
sim_pid=""
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$stage"
}
trap cleanup EXIT
dpkg -x "$deb" "$stage"
bin=$stage/usr/bin
for program in updater updater-cli radio-sim; do
  [[ -x $bin/$program ]] || { echo "missing from the package: $program"; exit 1; }
done
test -f "$stage/usr/share/applications/vm-updater.desktop"
ls "$stage"/usr/share/man/man1/

"$bin/updater-cli" --version
"$bin/updater" --version
"$bin/updater-cli" info

# The installed simulator on a pseudo-terminal, the installed CLI writing into it a small image
# (a few blocks in every area; the whole embedded image is written in the release phase).
source scripts/lib/radio.sh
"$build/tools/scramble-image" tests/wine/small-image.srec "$stage/small-image.mot"
radio_start "$stage/sim" "$bin/radio-sim" --once --dump "$stage/dump.txt" ||
  { cat "$stage/sim.err"; echo "the installed radio-sim did not start"; exit 1; }
sim_pid=$radio_pid
echo "radio-sim on $radio_port"
"$bin/updater-cli" write --port "$radio_port" --yes --file "$stage/small-image.mot"
radio_stop "$sim_pid"
sim_pid=""
cat "$stage/sim.err"
"$bin/updater-cli" info --blocks --file "$stage/small-image.mot" >"$stage/blocks.txt"
bash scripts/compare-dump.sh "$stage/blocks.txt" "$stage/dump.txt"
echo "installed package: write against the installed radio-sim succeeded"

# The Windows packages: the installer and the portable zip, proven under Wine.
JOBS=$(nproc) bash scripts/windows-package.sh

# The same three packages again from a second build: byte for byte the same.
JOBS=$(nproc) bash scripts/reproducible-check.sh
# The signed release, with a throw-away identity, from the builds above.
bash scripts/signed-release-check.sh
