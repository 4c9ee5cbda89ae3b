#!/usr/bin/env bash
# Whole updates through real serial drivers: an emulated PC (QEMU, plain emulation) boots the
# kernel of Debian's linux-image-amd64 with a small busybox system that holds updater-cli. Its
# kernel drives an emulated 16550 UART (ttyS1) and an emulated FT232 USB serial adapter on an
# xHCI controller (ttyUSB0, ftdi_sio); QEMU hands the bytes and the line settings the guest's
# drivers set to the pseudo-terminal of radio-sim on this machine, which judges every byte and
# every wait. The guest runs the commands this script sends it on its console UART (ttyS0).
#
# Usage: scripts/drivers.sh
#   LINUX_BUILD=dir  build directory with updater-cli, radio-sim, scramble-image, line-readback
#                    and bench_write (default: build)
#   DRIVERS_KEEP=1   keep the work directory (its path is printed)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/${LINUX_BUILD:-build}
cli=$build/cli/updater-cli
sim=$build/sim/radio-sim
scramble=$build/tools/scramble-image
readback=$build/tests/drivers/line-readback
bench=$build/bench/bench_write
for program in "$cli" "$sim" "$scramble" "$readback" "$bench"; do
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
# A machine whose package lists were cleared knows no kernel package: read them again.
if ! apt-cache show linux-image-amd64 >/dev/null 2>&1; then
  as_root=()
  [[ $(id -u) -eq 0 ]] || as_root=(sudo)
  "${as_root[@]}" apt-get update -qq
fi
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
cp "$readback" "$guest/bin/line-readback"
for module in "${modules[@]}"; do cp "$kernel_dir/$module.ko" "$guest/modules/"; done
install -m 755 tests/drivers/guest-init.sh "$guest/init"
small=$guest/images/small-image.mot
"$scramble" tests/wine/small-image.srec "$small"
"$cli" info --blocks --file "$small" >"$work/small-blocks.txt"
"$cli" info --blocks >"$work/embedded-blocks.txt"
(cd "$guest" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"

# --- the emulated PC ------------------------------------------------------------------------
# ttyS0: the console and the command line of this script; ttyS1: the UART under test; the
# timer check is left out, as it fails on a busy machine under plain emulation. The
# USB adapter is plugged in for each case (QEMU cannot move it to another terminal).
mkfifo "$work/ctl.in" "$work/ctl.out" "$work/qmp.in" "$work/qmp.out"
qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot -m 256 \
  -kernel "$kernel_dir/vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 loglevel=1 panic=-1 printk.time=1 no_timer_check" \
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

# stop_radio NAME [SECONDS]: waits up to SECONDS (10) for the radio to end by itself (it does
# after the dialogue), else tells it to; true when its checks held.
stop_radio() {
  local pid status=0 i
  pid=$(cat "$work/$1.sim.pid")
  for i in $(seq "$((${2:-10} * 10))"); do
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

# plug_usb NAME: an FT232 adapter whose far end is the terminal of radio NAME (none: nothing)
# is plugged in; unplug_usb pulls it out again (as a user would: the guest is not asked).
usb_plugs=0
plug_usb() {
  usb_plugs=$((usb_plugs + 1))
  # The adapter shows itself to the guest only once its far end is open: with no radio, the
  # far end is a file that takes the bytes.
  local backend='{"type": "file", "data": {"out": "/dev/null"}}'
  [[ $1 == none ]] || backend="{\"type\": \"serial\", \"data\": {\"device\": \"$(cat "$work/$1.pty")\"}}"
  qmp "{\"execute\": \"chardev-add\", \"arguments\": {\"id\": \"usb$usb_plugs\", \"backend\":
    $backend}}" &&
    qmp "{\"execute\": \"device_add\", \"arguments\": {\"driver\": \"usb-serial\",
      \"id\": \"adapter\", \"chardev\": \"usb$usb_plugs\", \"serial\": \"VM24A001\"}}"
}
unplug_usb() {
  local deleted
  deleted=$(grep -c '"DEVICE_DELETED".*"adapter"' "$work/qmp.log" || true)
  qmp '{"execute": "device_del", "arguments": {"id": "adapter"}}' || return 1
  local until=$((SECONDS + 30))
  while (($(grep -c '"DEVICE_DELETED".*"adapter"' "$work/qmp.log" || true) <= deleted)); do
    ((SECONDS < until)) || { echo "drivers: the adapter was not removed" >&2; return 1; }
    sleep 0.1
  done
  qmp "{\"execute\": \"chardev-remove\", \"arguments\": {\"id\": \"usb$usb_plugs\"}}"
}

# The port's far end becomes radio NAME's terminal; in the guest the port must be there (an
# adapter just plugged in needs its driver first).
plug() {
  case $2 in
    /dev/ttyS1) plug_uart "$1" ;;
    /dev/ttyUSB0) plug_usb "$1" ;;
  esac
}
unplug() {
  case $1 in
    /dev/ttyS1) unplug_uart ;;
    /dev/ttyUSB0) unplug_usb ;;
  esac
}
# The guest's words to wait (bounded) for PORT's device node and to park the line at a speed
# the Updater never uses, so that its own setting at open shows on the radio's line.
port_ready() {
  echo "i=0; while [ ! -e $1 ] && [ \$i -lt 200 ]; do sleep 0.1; i=\$((i + 1)); done;" \
    "stty -F $1 115200 cs8 -cstopb -parenb || exit 90;"
}

# update NAME PORT SECONDS [--time] [CLI OPTIONS]: runs a write in the guest with a trace (timed
# with its processor time by --time), and shows the trace's last close event in its output.
update() {
  local name=$1 port=$2 seconds=$3 timed=""
  shift 3
  if [[ ${1:-} == --time ]]; then
    timed=time
    shift
  fi
  local write="$timed timeout $seconds updater-cli write --port $port --yes --log /tmp/$name.trace $*"
  local last_close="grep ' close ' /tmp/$name.trace | tail -n 1"
  guest "$name" "$((seconds + 30))" \
    "$(port_ready "$port") $write; status=\$?; $last_close; exit \$status"
}

# write_case NAME PORT "SIM OPTIONS" BLOCKS SECONDS [CLI OPTIONS]: a whole update that must end
# "Writing completed." with the radio's memory equal to BLOCKS and its checks held.
write_case() {
  local name=$1 port=$2 sim_options=$3 blocks=$4 seconds=$5
  shift 5
  start_radio "$name" "$sim_options" || { fail "$name" "the simulated radio did not start"; return; }
  plug "$name" "$port" || { fail "$name" "QEMU did not take the radio's terminal"; return; }
  local started=$SECONDS
  update "$name" "$port" "$seconds" "$@"
  local radio_status=0
  stop_radio "$name" || radio_status=$?
  unplug "$port" || fail "$name" "the port could not be unplugged"
  local verdict compared=1 status
  status=$(cat "$work/$name.status")
  verdict=$(bash scripts/compare-dump.sh "$blocks" "$work/$name.dump" 2>&1) || compared=0
  if ((status == 0 && radio_status == 0 && compared)) &&
    grep -q 'Writing completed\.$' "$work/$name.out"; then
    pass "$name" "$((SECONDS - started)) s; $verdict; $(grep '^radio-sim: checks' "$work/$name.sim.err")"
    echo "$((SECONDS - started))" >"$work/$name.seconds"
  else
    fail "$name" "updater-cli status $status, radio-sim status $radio_status; $verdict" \
      "$work/$name.out" "$work/$name.sim.err"
  fi
}

# fault_case NAME PORT "SIM OPTIONS" STATUS MESSAGE: the radio fails as told; the update must
# end within its time-out with exit status STATUS, the message MESSAGE (a regular expression)
# and the port closed, and the radio's checks of what came before must hold.
fault_case() {
  local name=$1 port=$2 sim_options=$3 want_status=$4 message=$5
  start_radio "$name" "$sim_options" || { fail "$name" "the simulated radio did not start"; return; }
  plug "$name" "$port" || { fail "$name" "QEMU did not take the radio's terminal"; return; }
  local started=$SECONDS
  update "$name" "$port" 120 --file /images/small-image.mot
  local ended=$((SECONDS - started)) radio_status=0
  # After a failed dialogue the radio waits for a quiet line: the update has ended, so no more.
  stop_radio "$name" 0 || radio_status=$?
  unplug "$port" || fail "$name" "the port could not be unplugged"
  local status
  status=$(cat "$work/$name.status")
  if ((status == want_status && radio_status == 0)) && grep -Eq -- "$message" "$work/$name.out" &&
    tail -n 1 "$work/$name.out" | grep -q ' close .*result=ok'; then
    pass "$name" "ended in $ended s with status $status, its message, the port closed"
  else
    fail "$name" "updater-cli status $status (wanted $want_status), radio-sim status $radio_status" \
      "$work/$name.out" "$work/$name.sim.err"
  fi
}

# unplug_case NAME: the adapter is pulled out while the whole embedded image is being written;
# the update must end within its time-out with a message and the port closed.
unplug_case() {
  local name=$1 port=/dev/ttyUSB0
  start_radio "$name" "" || { fail "$name" "the simulated radio did not start"; return; }
  plug "$name" "$port" || { fail "$name" "QEMU did not take the radio's terminal"; return; }
  local write="timeout 120 updater-cli write --port $port --yes --log /tmp/$name.trace"
  guest_start "$name" "$(port_ready "$port") $write; status=\$?; grep ' close ' \
    /tmp/$name.trace | tail -n 1; exit \$status"
  # Pulled once the image is on its way (the progress lines come a tenth at a time).
  wait_for "$work/ctl.log" "^@@$name progress: " 120 || true
  local pulled=$SECONDS
  unplug "$port" || fail "$name" "the adapter could not be pulled out"
  guest_finish "$name" 150
  local ended=$((SECONDS - pulled)) radio_status=0
  stop_radio "$name" 0 || radio_status=$?
  local status
  status=$(cat "$work/$name.status")
  if ((status != 0 && status != 124 && radio_status == 0)) &&
    grep -Eq -- "$unplug_message" "$work/$name.out" &&
    tail -n 1 "$work/$name.out" | grep -q ' close '; then
    pass "$name" "ended within $ended s after the adapter was pulled, status $status, its \
message, the port closed"
  else
    fail "$name" "updater-cli status $status, radio-sim status $radio_status" \
      "$work/$name.out" "$work/$name.sim.err"
  fi
}

# --- the cases -----------------------------------------------------------------------------
# The ports as the guest's kernel shows them: the console, the UART, the adapter; the two UART
# slots without a chip behind them are left out.
plug_usb none
guest ports 60 "$(port_ready /dev/ttyUSB0) updater-cli list-ports"
if grep -Eq '^/dev/ttyS0 .*system console' "$work/ports.out" &&
  grep -Eq '^/dev/ttyS1  16550A UART, I/O 0x2F8, IRQ 3$' "$work/ports.out" &&
  grep -Eq '^/dev/ttyUSB0  QEMU USB SERIAL, QEMU, USB 0403:6001, serial VM24A001$' \
    "$work/ports.out" && ! grep -Eq '^/dev/ttyS[23]' "$work/ports.out"; then
  pass list-ports "$(tr '\n' ';' <"$work/ports.out")"
else
  fail list-ports "the ports are not listed as the kernel has them" "$work/ports.out"
fi

# The line settings as the real drivers read them back: speed, parity, data bits, stop bits.
# The FT232 has no 6-bit format: its driver keeps 8 bits, which the port must not take for
# granted.
settings=(9600,N,8,2 19200,E,7,1 57600,O,8,1 38400,N,6,1 4800,M,8,2)
readback_case() {
  local name=$1 port=$2 expected=$3
  guest "$name" 60 "$(port_ready "$port") line-readback $port ${settings[*]}"
  if [[ $(cat "$work/$name.status") == 0 && $(tr '\n' ';' <"$work/$name.out") == "$expected" ]]; then
    pass "$name" "$(tr '\n' ';' <"$work/$name.out")"
  else
    fail "$name" "wanted $expected" "$work/$name.out"
  fi
}
readback_case uart-line /dev/ttyS1 "$(for s in "${settings[@]}"; do printf '%s applied=1 line=%s;' "$s" "$s"; done)"
readback_case usb-line /dev/ttyUSB0 "$(for s in "${settings[@]}"; do
  if [[ $s == *,6,* ]]; then printf '%s applied=0 line=%s;' "$s" "${s/,6,/,8,}"
  else printf '%s applied=1 line=%s;' "$s" "$s"; fi
done)"
unplug_usb

# The watch of list-ports follows the adapter out and back in.
source tests/drivers/watch-case.sh
watch_case usb-watch

small_file=(--file /images/small-image.mot)
no_answer='^Ensure that all connections between the transceiver and the PC as well as the COM port'
for port in /dev/ttyS1 /dev/ttyUSB0; do
  kind=uart
  [[ $port == /dev/ttyUSB0 ]] && kind=usb
  write_case "$kind-small" "$port" "--stop-bits 2" "$work/small-blocks.txt" 120 "${small_file[@]}"
  # Each fault, then an update that must succeed; the exit status tells the step that failed.
  faults=("hang-up x-frame:1 9" "late identify:1 7" "garbage area-code:2 9")
  [[ $kind == usb ]] && faults=("hang-up identify:1 7" "late identify:1 7" "garbage area-code:3 9")
  for fault in "${faults[@]}"; do
    read -r what where status <<<"$fault"
    fault_case "$kind-$what-${where//:/-}" "$port" "--$what $where" "$status" "$no_answer"
    write_case "$kind-after-$what" "$port" "" "$work/small-blocks.txt" 120 "${small_file[@]}"
  done
done
unplug_message=$no_answer
unplug_case usb-pulled-out
write_case usb-after-pulled-out /dev/ttyUSB0 "" "$work/small-blocks.txt" 120 "${small_file[@]}"

# The whole embedded image through the adapter, timed in the guest; beside it the same write
# over a pseudo-terminal on this machine, with the protocol's floor.
"$bench" --benchmark_filter='^BM_WriteEmbeddedImage/' --benchmark_format=json \
  >"$work/pty-bench.json" 2>"$work/pty-bench.err" &
bench_pid=$!
started_pids+=("$bench_pid")
write_case usb-embedded /dev/ttyUSB0 "" "$work/embedded-blocks.txt" 400 --time
bench_status=0
wait "$bench_pid" || bench_status=$?
counter() { sed -n "s/.*\"$1\": \([0-9.e+-]*\).*/\1/p" "$work/pty-bench.json" | head -n 1; }
floor=$(counter floor_s) pty_wall=$(counter wall_s)
usb_wall=$(sed -n 's/^real[[:space:]]*\([0-9]*\)m \{0,1\}\([0-9.]*\)s$/\1 \2/p' "$work/usb-embedded.out" |
  awk '{print $1 * 60 + $2}')
usb_cpu=$(sed -n 's/^\(user\|sys\)[[:space:]]*\([0-9]*\)m \{0,1\}\([0-9.]*\)s$/\2 \3/p' "$work/usb-embedded.out" |
  awk '{cpu += $1 * 60 + $2} END {print cpu}')
if ((bench_status == 0)) && [[ -n $floor && -n $pty_wall && -n $usb_wall ]]; then
  awk -v f="$floor" -v p="$pty_wall" -v u="$usb_wall" -v c="$usb_cpu" 'BEGIN {
    printf "drivers: benchmark: the embedded image through the USB adapter took %.1f s: %.3f x the protocol floor (%.1f s), %.3f x the pseudo-terminal write (%.1f s); the Updater used %.1f s of processor time in the guest\n", u, u / f, f, u / p, p, c }'
else
  fail benchmark "no figures (bench_write status $bench_status)" "$work/pty-bench.err"
fi

guest_start poweroff "poweroff -f"
wait "$qemu_pid" 2>/dev/null || true

if [[ -n ${UPDATER_COUNTS:-} ]]; then echo "$passes $failures 0" >>"$UPDATER_COUNTS"; fi
if ((failures)); then
  echo "drivers: $failures case(s) failed" >&2
  exit 1
fi
echo "drivers: all $passes cases through real drivers passed in $SECONDS s"
