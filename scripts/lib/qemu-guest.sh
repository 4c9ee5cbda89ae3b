# shellcheck shell=bash
# Sourced by scripts/drivers.sh: an emulated PC (QEMU, plain emulation) that boots the kernel of
# Debian's linux-image-amd64 with a small busybox system holding updater-cli; its kernel drives
# an emulated 16550 UART (ttyS1) and an FT232 USB serial adapter on an xHCI controller
# (ttyUSB0, ftdi_sio). Here is the plumbing: the guest's files, its boot, running commands in it
# over its console (ttyS0), and moving each port's far end to a simulated radio's terminal.
# The caller sets build, work, cli and readback, the array started_pids (ended by its exit
# trap), and writes radio NAME's terminal path to $work/NAME.pty.

modules=(usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio)

# guest_kernel: the kernel and the USB serial drivers from Debian's package, fetched once into
# the build directory (never installed); sets kernel_dir.
guest_kernel() {
  local kernel_cache=$build/drivers-guest kernel_package as_root
  # A machine whose package lists were cleared knows no kernel package: read them again.
  if ! apt-cache show linux-image-amd64 >/dev/null 2>&1; then
    as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
  fi
  kernel_package=$(apt-cache depends linux-image-amd64 |
    awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  [[ -n $kernel_package ]] || { echo "drivers: no kernel package behind linux-image-amd64" >&2; return 1; }
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
}

# guest_files: the guest's root in $guest: busybox, updater-cli with its libraries,
# line-readback, the drivers and the init script. The caller adds its images to $guest/images.
guest_files() {
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
}

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

# guest_boot: packs $guest and starts the emulated PC; true once the guest waits for commands.
# ttyS0: the console and the command line of this script; ttyS1: the UART under test; the
# timer check is left out, as it fails on a busy machine under plain emulation. The USB adapter
# is plugged in for each case (QEMU cannot move it to another terminal). Sets qemu_pid.
guest_boot() {
  (cd "$guest" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"
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

  local boot_start=$SECONDS
  wait_for "$work/qmp.log" '"QMP"' 30 || { echo "drivers: QEMU's monitor did not start" >&2; return 1; }
  qmp '{"execute": "qmp_capabilities"}'
  wait_for "$work/ctl.log" '^@@boot ready' 180 || {
    echo "drivers: the guest did not boot; its console said:" >&2
    sed 's/^/    /' "$work/ctl.log" >&2
    return 1
  }
  echo "drivers: the guest booted in $((SECONDS - boot_start)) s"
  if grep '^@@boot cannot' "$work/ctl.log" >&2; then return 1; fi
}

# guest ID SECONDS COMMAND: runs COMMAND in the guest and waits for its end; its output goes
# to $work/ID.out, its status to $work/ID.status.
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
