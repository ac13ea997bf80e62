# SPDX-License-Identifier: GPL-3.0-or-later
# The guest with an empty CD-ROM drive (0,0,0) and no disk: a source
# without a medium and addresses where nothing answers.
. /realbus/guest-lib.sh

section scan cli --verbose scan --json
section check cli check 0,0,0
section copy cli copy 0,0,0 /tmp/no-medium.iso --mode copy-verify
section copy-left sh -c "ls /tmp/no-medium.iso"
section no-device cli check 0,1,0
section no-adapter cli check 1,0,0

# An installed program (its marker beside it) starts on the machine's real
# drives without being told to.
touch /realbus/installed-manager-default
section installed sh -c 'unset MARROWLIGHT_ASPI; /realbus/marrowlight-cli scan --json'
rm -f /realbus/installed-manager-default

# Two MMC recorders of tgt (blank DVD+R discs) at 0,3,0 and 0,4,0, when the
# host could start them (RECORDERS=2 in realbus.env).
if [ "${RECORDERS:-0}" -ge 2 ]; then
  # The nodes of the second recorder, found through its kernel address.
  node="$(ls /sys/bus/scsi/devices/0:0:4:0/scsi_generic)"
  block="$(ls /sys/bus/scsi/devices/0:0:4:0/block 2>/dev/null || true)"
  section rec-write cli --yes write /realbus/cd.iso 0,3,0 --mode write-verify
  section rec-second cli --yes write /realbus/cd.iso 0,3,0 --mode write
  section rec-test cli --yes write /realbus/cd.iso "/dev/$block" --mode test-write
  # Another program has the drive's node open: the write is refused before
  # anything is sent.
  section rec-held sh -c "exec 3</dev/$node; /realbus/marrowlight-cli --manager sg --yes write /realbus/cd.iso 0,4,0 --mode write"
  section rec-info cli info "/dev/$node"
fi

# Three more recorders (0,5,0 to 0,7,0) recorded at once, when the host
# started five.
if [ "${RECORDERS:-0}" -ge 5 ]; then
  section rec-several cli --yes write /realbus/cd.iso 0,5,0 0,6,0 0,7,0 --mode write-verify
fi
