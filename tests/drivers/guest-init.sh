#!/bin/busybox sh
# The guest's first process: mounts the kernel's file systems, loads the USB serial drivers,
# then runs the commands the host sends on the console UART (ttyS0), one a line:
#   ID COMMAND...
# and answers every line of the command's output as "@@ID <line>", then "@@ID status N".
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp /run
for module in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do
  insmod "/modules/$module.ko" || echo "@@boot cannot load $module" >/dev/ttyS0
done
stty -F /dev/ttyS0 raw -echo
exec </dev/ttyS0 >/dev/ttyS0 2>&1
echo "@@boot ready"
while read -r id command; do
  [ -n "$id" ] || continue
  { sh -c "$command" 2>&1; echo $? >/tmp/status; } </dev/null | while IFS= read -r line; do
    echo "@@$id $line"
  done
  echo "@@$id status $(cat /tmp/status)"
done
poweroff -f
