# SPDX-License-Identifier: GPL-3.0-or-later
# The guest's half of bench/realbus_bench.sh (run by busybox sh in the
# guest): every job once per round, the order turned by one job each round,
# the caches dropped before each run; one line per run:
#   BENCH round job seconds status
. /realbus/bench.env
export MARROWLIGHT_ASPI=/realbus/libmarrowlight-sg.so HOME=/tmp
cd_node="/dev/$(ls /sys/class/scsi_generic/sg0/device/block)"
disk_node="/dev/$(ls /sys/class/scsi_generic/sg1/device/block)"

cli() { /realbus/marrowlight-cli --manager sg --yes "$@"; }
now() { cut -d' ' -f1 /proc/uptime; }

ml_cd_file() { cli copy 0,0,0 /tmp/out.iso --mode copy; }
sgdd32_cd_file() { /realbus/sg_dd if=/dev/sg0 of=/tmp/out.iso bs=2048 bpt=16; }
sgdd64_cd_file() { /realbus/sg_dd if=/dev/sg0 of=/tmp/out.iso bs=2048 bpt=32; }
dd_cd_file() { dd if="$cd_node" of=/tmp/out.iso bs=64k; }
ml_cd_file_verify() { cli copy 0,0,0 /tmp/out.iso --mode copy-verify; }
ddcmp_cd_file_verify() { dd if="$cd_node" of=/tmp/out.iso bs=64k && cmp "$cd_node" /tmp/out.iso; }
ml_cd_disk() { cli copy 0,0,0 0,1,0 --mode copy; }
dd_cd_disk() { dd if="$cd_node" of="$disk_node" bs=64k conv=fsync; }
ml_file_file() { cli copy /tmp/in.iso /tmp/out.iso --mode copy; }
dd_file_file() { dd if=/tmp/in.iso of=/tmp/out.iso bs=64k; }
# The program's copy takes the volume's SHA-256 as it goes: the like-for-like
# peer hashes too, and the digest alone is timed over the file in memory.
ddsha_cd_file() { dd if="$cd_node" bs=64k | tee /tmp/out.iso | sha256sum; }
sha_file() { sha256sum /tmp/in.iso; }

jobs="ml_cd_file sgdd32_cd_file sgdd64_cd_file dd_cd_file ml_cd_file_verify ddcmp_cd_file_verify ml_cd_disk dd_cd_disk ml_file_file dd_file_file ddsha_cd_file sha_file"
count=12

# The file side of file -> file, in the guest's memory.
dd if="$cd_node" of=/tmp/in.iso bs=64k 2>/dev/null

round=1
while [ "$round" -le "$ROUNDS" ]; do
  n=0
  while [ "$n" -lt "$count" ]; do
    job="$(echo $jobs | cut -d' ' -f$(( (n + round - 1) % count + 1 )))"
    rm -f /tmp/out.iso
    sync
    echo 3 > /proc/sys/vm/drop_caches
    start="$(now)"
    "$job" > /tmp/run.out 2>&1
    status=$?
    end="$(now)"
    echo "BENCH $round $(echo "$job" | tr _ -) $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }') $status"
    [ "$status" -eq 0 ] || tail -n 5 /tmp/run.out
    n=$((n + 1))
  done
  round=$((round + 1))
done
