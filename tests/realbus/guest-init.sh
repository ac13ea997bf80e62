#!/bin/busybox sh
# SPDX-License-Identifier: GPL-3.0-or-later
# /init of the guest that boot-guest.sh starts: mounts the kernel's file
# systems, loads the SCSI modules (the controller last, so that its probe
# finds every unit), waits for the SCSI generic nodes, runs the script with
# its output on the second serial port, reports the script's exit status on
# the console and powers off.
/bin/busybox --install -s /bin
export PATH=/realbus:/bin:/sbin:/usr/bin:/usr/sbin HOME=/tmp
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

while read -r module; do
  insmod "/lib/modules/$module" || echo "REALBUS: cannot load $module"
done < /lib/modules/order

wanted="$(cat /etc/realbus-devices)"
waits=0
while [ "$(ls /sys/class/scsi_generic 2>/dev/null | wc -l)" -lt "$wanted" ] && [ "$waits" -lt 100 ]; do
  usleep 100000
  waits=$((waits + 1))
done
echo "REALBUS: $(ls /sys/class/scsi_generic | wc -l) SCSI generic nodes after ${waits} waits"

# Raw: the script's bytes reach the host as they are (no CR before LF).
stty -F /dev/ttyS1 raw -echo
cd /realbus
sh /etc/realbus-script < /dev/null > /dev/ttyS1 2>&1
status=$?
echo "REALBUS-EXIT $status"
sync
poweroff -f
