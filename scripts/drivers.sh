#!/usr/bin/env bash
# Whole updates through real serial drivers: the cases. An emulated PC (scripts/lib/qemu-guest.sh)
# whose kernel drives a 16550 UART (ttyS1) and an FT232 USB serial adapter (ttyUSB0) runs
# updater-cli; QEMU hands the bytes and the line settings the guest's drivers set to the
# pseudo-terminal of radio-sim on this machine, which judges every byte and every wait.
#
# Usage: scripts/drivers.sh
#   LINUX_BUILD=dir  build directory with updater-cli, radio-sim, scramble-image and
#                    line-readback (default: build)
#   DRIVERS_BENCH=1  also time the whole embedded image over a pseudo-terminal beside the write
#                    through the adapter, with the protocol's floor (needs bench_write)
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
programs=("$cli" "$sim" "$scramble" "$readback")
[[ -z ${DRIVERS_BENCH:-} ]] || programs+=("$bench")
for program in "${programs[@]}"; do
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

# --- the emulated PC, with the images of the cases -------------------------------------------
source scripts/lib/qemu-guest.sh
source scripts/lib/radio.sh
guest_kernel
guest_files
"$scramble" tests/wine/small-image.srec "$guest/images/small-image.mot"
"$cli" info --blocks --file "$guest/images/small-image.mot" >"$work/small-blocks.txt"
"$cli" info --blocks >"$work/embedded-blocks.txt"
guest_boot

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
  # shellcheck disable=SC2086  # the simulator's options are words
  radio_start "$work/$1.sim" "$sim" --once --dump "$work/$1.dump" $2 || return 1
  started_pids+=("$radio_pid")
  echo "$radio_pid" >"$work/$1.sim.pid"
  echo "$radio_port" >"$work/$1.pty"
}

# stop_radio NAME [SECONDS]: waits up to SECONDS (10) for the radio to end by itself (it does
# after the dialogue), else tells it to; true when its checks held.
stop_radio() { radio_stop "$(cat "$work/$1.sim.pid")" "${2:-10}"; }

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

# The whole embedded image through the adapter, timed in the guest; with DRIVERS_BENCH=1 beside
# it the same write over a pseudo-terminal on this machine, with the protocol's floor.
if [[ -n ${DRIVERS_BENCH:-} ]]; then
  "$bench" --benchmark_filter='^BM_WriteEmbeddedImage/' --benchmark_format=json \
    >"$work/pty-bench.json" 2>"$work/pty-bench.err" &
  bench_pid=$!
  started_pids+=("$bench_pid")
fi
write_case usb-embedded /dev/ttyUSB0 "" "$work/embedded-blocks.txt" 400 --time
usb_wall=$(sed -n 's/^real[[:space:]]*\([0-9]*\)m \{0,1\}\([0-9.]*\)s$/\1 \2/p' "$work/usb-embedded.out" |
  awk '{print $1 * 60 + $2}')
usb_cpu=$(sed -n 's/^\(user\|sys\)[[:space:]]*\([0-9]*\)m \{0,1\}\([0-9.]*\)s$/\2 \3/p' "$work/usb-embedded.out" |
  awk '{cpu += $1 * 60 + $2} END {print cpu}')
echo "drivers: the embedded image through the USB adapter took ${usb_wall:-?} s; the Updater used" \
  "${usb_cpu:-?} s of processor time in the guest"
if [[ -n ${DRIVERS_BENCH:-} ]]; then
  bench_status=0
  wait "$bench_pid" || bench_status=$?
  counter() { sed -n "s/.*\"$1\": \([0-9.e+-]*\).*/\1/p" "$work/pty-bench.json" | head -n 1; }
  floor=$(counter floor_s) pty_wall=$(counter wall_s)
  if ((bench_status == 0)) && [[ -n $floor && -n $pty_wall && -n $usb_wall ]]; then
    awk -v f="$floor" -v p="$pty_wall" -v u="$usb_wall" 'BEGIN {
      printf "drivers: benchmark: %.3f x the protocol floor (%.1f s), %.3f x the pseudo-terminal write (%.1f s)\n", u / f, f, u / p, p }'
  else
    fail benchmark "no figures (bench_write status $bench_status)" "$work/pty-bench.err"
  fi
fi

guest_start poweroff "poweroff -f"
wait "$qemu_pid" 2>/dev/null || true

if [[ -n ${UPDATER_COUNTS:-} ]]; then echo "$passes $failures 0" >>"$UPDATER_COUNTS"; fi
if ((failures)); then
  echo "drivers: $failures case(s) failed" >&2
  exit 1
fi
echo "drivers: all $passes cases through real drivers passed in $SECONDS s"
