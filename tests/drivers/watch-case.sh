# shellcheck shell=bash disable=SC2154  # $work and the helpers come from scripts/drivers.sh
# A case for scripts/drivers.sh (sourced there; it uses its guest_start, guest_finish, wait_for,
# plug_usb, unplug_usb, pass, fail and $work).
#
# watch_case NAME: `updater-cli list-ports --watch` runs in the guest while the USB adapter is
# pulled out and plugged in again; it must report the adapter's removal and then its return,
# each as it happens. Expects the adapter unplugged on entry and leaves it so.
watch_case() {
  local name=$1 port=/dev/ttyUSB0
  plug_usb none || { fail "$name" "QEMU did not plug the adapter in"; return; }
  # Bounded: the watch runs until it is stopped, here by its time-out once the case is done.
  guest_start "$name" "i=0; while [ ! -e $port ] && [ \$i -lt 200 ]; do sleep 0.1; \
i=\$((i + 1)); done; timeout 60 updater-cli list-ports --watch"
  local seen=""
  if wait_for "$work/ctl.log" "^@@$name $port " 60; then
    seen="listed"
    if unplug_usb && wait_for "$work/ctl.log" "^@@$name removed $port" 20; then
      seen="$seen, removed"
      if plug_usb none && wait_for "$work/ctl.log" "^@@$name added $port " 20; then
        seen="$seen, added"
      fi
    fi
  fi
  guest_finish "$name" 90
  unplug_usb || true
  if [[ $seen == "listed, removed, added" ]] &&
    grep -Eq "^added $port  QEMU USB SERIAL, .*serial VM24A001" "$work/$name.out"; then
    pass "$name" "$(tr '\n' ';' <"$work/$name.out")"
  else
    fail "$name" "the watch saw: ${seen:-nothing}" "$work/$name.out"
  fi
}
