#!/usr/bin/env bash
# Whole updates through real serial drivers: an emulated PC (QEMU, plain emulation) boots the
# kernel of Debian's linux-image-amd64 with a small busybox system that holds updater-cli. Its
# kernel drives an emulated 16550 UART (ttyS1) and an emulated FT232 USB serial adapter on an
# xHCI controller (ttyUSB0, ftdi_sio); QEMU hands the bytes and the line settings the guest's
# drivers set to the pseudo-terminal of radio-sim on this machine, which judges every byte and
# every wait. The guest runs the commands this script sends it on its console UART (ttyS0).
#
# Usage: scripts/drivers.sh
#   LINUX_BUILD=dir  build directory with updater-cli, radio-sim, descramble-image (default: build)
#   DRIVERS_KEEP=1   keep the work directory (its path is printed)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/${LINUX_BUILD:-build}
cli=$build/cli/updater-cli
sim=$build/sim/radio-sim
scramble=$build/tools/descramble-image
for program in "$cli" "$sim" "$scramble"; do
  [[ -x $program ]] || { echo "drivers: $program was not built" >&2; exit 1; }
done

work=$(mktemp -d)
started_pids=()
cleanup() {
  local pid
  for pid in "${started_pids[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  if [[ -n ${DRIVERS_KEEP:-} ]]; then echo "drivers: work files kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# --- the guest's kernel and drivers, from Debian's package (fetched, never installed) ---------
modules=(usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio)
kernel_cache=$build/drivers-guest
kernel_package=$(apt-cache depends linux-image-amd64 |
  awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
[[ -n $kernel_package ]] || { echo "drivers: no kernel package behind linux-image-amd64" >&2; exit 1; }
if [[ ! -f $kernel_cache/$kernel_package/vmlinuz ]]; then
  rm -rf "$kernel_cache/$kernel_package"
  mkdir -p "$kernel_cache/$kernel_package/x"
  (
    cd "$kernel_cache/$kernel_package"
    # apt runs the download as its own user where it can; a directory it may write to.
    chmod 777 . 2>/dev/null || true
    timeout 600 apt-get download "$kernel_package" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true
    deb=$(ls ./*.deb)
    patterns=(--wildcards './boot/vmlinuz-*')
    for module in "${modules[@]}"; do patterns+=("*/kernel/drivers/usb/*/$module.ko"); done
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C x "${patterns[@]}"
    for module in "${modules[@]}"; do find x -name "$module.ko" -exec cp {} . \;; done
    mv x/boot/vmlinuz-* vmlinuz
    rm -rf x "$deb"
  )
fi
kernel_dir=$kernel_cache/$kernel_package
echo "drivers: guest kernel from $kernel_package"

# --- the guest's files: busybox, updater-cli with its libraries, the drivers, the images -----
guest=$work/guest
mkdir -p "$guest"/{bin,modules,proc,sys,dev,images}
cp /bin/busybox "$guest/bin/busybox"
cp "$cli" "$guest/bin/updater-cli"
for library in $(ldd "$cli" | awk '/=> \// {print $3} /^\t\/lib/ {print $1}'); do
  cp -L --parents "$library" "$guest"
done
for module in "${modules[@]}"; do cp "$kernel_dir/$module.ko" "$guest/modules/"; done
install -m 755 tests/drivers/guest-init.sh "$guest/init"
small=$guest/images/small-image.mot
"$scramble" tests/wine/small-image.srec "$small"
"$cli" info --blocks --file "$small" >"$work/small-blocks.txt"
"$cli" info --blocks >"$work/embedded-blocks.txt"
(cd "$guest" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"

# --- the emulated PC ------------------------------------------------------------------------
# ttyS0: the console and the command line of this script; ttyS1: the UART under test; the
# USB adapter is plugged in for each case (QEMU cannot move it to another terminal).
mkfifo "$work/ctl.in" "$work/ctl.out" "$work/qmp.in" "$work/qmp.out"
qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot -m 256 \
  -kernel "$kernel_dir/vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 loglevel=1 panic=-1 printk.time=1" \
  -chardev pipe,id=ctl,path="$work/ctl" -serial chardev:ctl \
  -chardev null,id=uart -serial chardev:uart \
  -device qemu-xhci,id=xhci \
  -chardev pipe,id=qmp,path="$work/qmp" -mon chardev=qmp,mode=control \
  >"$work/qemu.log" 2>&1 &
started_pids+=("$!")
qemu_pid=$!
cat "$work/ctl.out" >"$work/ctl.log" &
started_pids+=("$!")
cat "$work/qmp.out" >"$work/qmp.log" &
started_pids+=("$!")
exec 7>"$work/ctl.in" 8>"$work/qmp.in"

# wait_for FILE PATTERN SECONDS: true once a line of FILE matches PATTERN (extended regex).
wait_for() {
  local file=$1 pattern=$2 until=$((SECONDS + $3))
  while ((SECONDS < until)); do
    grep -Eq -- "$pattern" "$file" 2>/dev/null && return 0
    kill -0 "$qemu_pid" 2>/dev/null || { echo "drivers: QEMU ended: $(cat "$work/qemu.log")" >&2; return 1; }
    sleep 0.1
  done
  return 1
}

# qmp JSON: one QEMU monitor command; false when QEMU answers with an error.
qmp_count=0
qmp() {
  echo "$1" >&8
  qmp_count=$((qmp_count + 1))
  local until=$((SECONDS + 30))
  while (($(grep -cE '^\{"(return|error)"' "$work/qmp.log") < qmp_count)); do
    ((SECONDS < until)) || { echo "drivers: QEMU's monitor did not answer $1" >&2; return 1; }
    sleep 0.05
  done
  local answer
  answer=$(grep -E '^\{"(return|error)"' "$work/qmp.log" | sed -n "${qmp_count}p")
  [[ $answer == '{"return"'* ]] || { echo "drivers: QEMU refused $1: $answer" >&2; return 1; }
}

boot_start=$SECONDS
wait_for "$work/qmp.log" '"QMP"' 30 || { echo "drivers: QEMU's monitor did not start" >&2; exit 1; }
qmp '{"execute": "qmp_capabilities"}'
wait_for "$work/ctl.log" '^@@boot ready' 180 || {
  echo "drivers: the guest did not boot; its console said:" >&2
  sed 's/^/    /' "$work/ctl.log" >&2
  exit 1
}
echo "drivers: the guest booted in $((SECONDS - boot_start)) s"
grep '^@@boot cannot' "$work/ctl.log" >&2 && exit 1

# guest ID SECONDS COMMAND: runs COMMAND in the guest and waits for its end; its output goes
# to $work/ID.out, its status to $work/ID.status.
command_count=0
guest_start() {
  local id=$1 command=$2
  echo "$id $command" >&7
}
guest_finish() {
  local id=$1 seconds=$2
  if ! wait_for "$work/ctl.log" "^@@$id status [0-9]+" "$seconds"; then
    echo "drivers: the guest did not finish $id within $seconds s" >&2
    echo 124 >"$work/$id.status"
  else
    sed -n "s/^@@$id status \([0-9]*\).*/\1/p" "$work/ctl.log" | tail -n 1 >"$work/$id.status"
  fi
  grep "^@@$id " "$work/ctl.log" | grep -v "^@@$id status " | sed "s/^@@$id //" | tr -d '\r' \
    >"$work/$id.out" || true
}
guest() {
  guest_start "$1" "$3"
  guest_finish "$1" "$2"
}

# --- the simulated radio on a terminal of its own for each case ------------------------------
failures=0
passes=0
pass() { echo "drivers: $1: ok${2:+; $2}"; passes=$((passes + 1)); }
fail() {
  echo "drivers: $1: FAILED: $2" >&2
  failures=$((failures + 1))
  local file
  for file in "${@:3}"; do
    [[ -s $file ]] || continue
    echo "  $(basename "$file"):" >&2
    grep -v '^progress: ' "$file" | sed 's/^/    /' >&2
  done
}

# start_radio NAME "SIM OPTIONS": a radio-sim whose terminal's path lands in $work/NAME.pty.
start_radio() {
  local name=$1 out=$work/$1.sim.out
  # shellcheck disable=SC2086  # the simulator's options are words
  "$sim" --once --dump "$work/$name.dump" $2 >"$out" 2>"$work/$name.sim.err" &
  started_pids+=("$!")
  echo "$!" >"$work/$name.sim.pid"
  local i
  for i in $(seq 100); do
    [[ -s $out ]] && break
    sleep 0.1
  done
  head -n 1 "$out" >"$work/$name.pty"
  [[ -s $work/$name.pty ]]
}

# stop_radio NAME: waits for the radio to end by itself (it does after the dialogue), else
# tells it to; true when its checks held.
stop_radio() {
  local pid status=0 i
  pid=$(cat "$work/$1.sim.pid")
  for i in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && kill -TERM "$pid"
  wait "$pid" || status=$?
  return "$status"
}

# plug_uart NAME: the UART's far end becomes the terminal of radio NAME.
plug_uart() {
  qmp "{\"execute\": \"chardev-change\", \"arguments\": {\"id\": \"uart\", \"backend\":
    {\"type\": \"serial\", \"data\": {\"device\": \"$(cat "$work/$1.pty")\"}}}}"
}
unplug_uart() {
  qmp '{"execute": "chardev-change", "arguments": {"id": "uart", "backend": {"type": "null", "data": {}}}}'
}

# write_case NAME PORT "SIM OPTIONS" BLOCKS SECONDS [CLI OPTIONS]: a whole update that must end
# "Writing completed." with the radio's memory equal to BLOCKS and its checks held.
write_case() {
  local name=$1 port=$2 sim_options=$3 blocks=$4 seconds=$5
  shift 5
  start_radio "$name" "$sim_options" || { fail "$name" "the simulated radio did not start"; return; }
  case $port in
    /dev/ttyS1) plug_uart "$name" ;;
  esac
  local started=$SECONDS
  guest "$name" "$seconds" "timeout $seconds updater-cli write --port $port --yes $*"
  local radio_status=0
  stop_radio "$name" || radio_status=$?
  case $port in
    /dev/ttyS1) unplug_uart ;;
  esac
  local verdict compared=1 status
  status=$(cat "$work/$name.status")
  verdict=$(bash scripts/compare-dump.sh "$blocks" "$work/$name.dump" 2>&1) || compared=0
  if ((status == 0 && radio_status == 0 && compared)) &&
    grep -q 'Writing completed\.$' "$work/$name.out"; then
    pass "$name" "$((SECONDS - started)) s; $verdict; $(grep 'checks' "$work/$name.sim.err")"
  else
    fail "$name" "updater-cli status $status, radio-sim status $radio_status; $verdict" \
      "$work/$name.out" "$work/$name.sim.err"
  fi
}

# --- the cases -----------------------------------------------------------------------------
write_case uart-small /dev/ttyS1 "--stop-bits 2" "$work/small-blocks.txt" 120 \
  --file /images/small-image.mot

guest_start poweroff "poweroff -f"
wait "$qemu_pid" 2>/dev/null || true

if [[ -n ${UPDATER_COUNTS:-} ]]; then echo "$passes $failures 0" >>"$UPDATER_COUNTS"; fi
if ((failures)); then
  echo "drivers: $failures case(s) failed" >&2
  exit 1
fi
echo "drivers: all $passes cases through real drivers passed"
