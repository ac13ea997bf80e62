# SPDX-License-Identifier: GPL-3.0-or-later
# The guest with the image in the CD-ROM drive (0,0,0) and an empty disk
# (0,1,0): scan, check, copies with verify, a read past the end, then the
# device tests of test_realbus_guest.
. /realbus/guest-lib.sh

section scan cli --verbose scan --json
section check cli check 0,0,0 --json
section copy-file cli copy 0,0,0 /tmp/cd-copy.iso --mode copy-verify
section sum-file sha256sum /tmp/cd-copy.iso
section copy-disk cli --yes copy 0,0,0 0,1,0 --mode copy-verify
# The kernel's own view of the disk, read past its page cache.
disk="/dev/$(ls /sys/class/scsi_generic/sg1/device/block)"
echo 3 > /proc/sys/vm/drop_caches
section sum-disk sh -c "head -c $ISO_BYTES $disk | sha256sum"
section past-end cli --verbose copy 0,0,0 /tmp/past.iso --mode copy --size $((ISO_BYTES + 4096))
section device-tests /realbus/test_realbus_guest
