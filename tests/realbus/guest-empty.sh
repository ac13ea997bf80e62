# The guest with an empty CD-ROM drive (0,0,0) and no disk: a source
# without a medium and addresses where nothing answers.
. /realbus/guest-lib.sh

section scan cli --verbose scan --json
section check cli check 0,0,0
section copy cli copy 0,0,0 /tmp/no-medium.iso --mode copy-verify
section copy-left sh -c "ls /tmp/no-medium.iso"
section no-device cli check 0,1,0
section no-adapter cli check 1,0,0
