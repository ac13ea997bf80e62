#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Marrowlight against xorriso on MMC recorders nobody here wrote: one target of
# Debian's tgt with six blank DVD+R logical units, reached from one QEMU guest
# (tests/realbus/boot-guest.sh) over iSCSI through the guest kernel's SCSI
# midlayer. In three rounds the two programs take turns (Marrowlight on units
# 1, 3, 5, xorriso -as cdrecord -tao on 2, 4, 6), each recording the same
# genisoimage ISO; Marrowlight then verifies its disc in a run of its own.
# Prints each write time, the verify times apart (xorriso verifies nothing),
# the median ratio of the write times, and whether every backing file holds
# the image. A benchmark: it asserts nothing.
#
# usage: bench/recorder_bench.sh [BUILD_DIR] [MiB]   (default build/release, 48 MiB)
# Needs root (tgtd), tgt, qemu-block-extra, qemu-system-x86, genisoimage and
# xorriso (scripts/packages.sh installs them). Times are the guest's
# (/proc/uptime) around each whole command: its scan, the volume check, the
# medium handling, the data and the closing of the disc. The program's
# deliberate pauses (the 12 s before a write) are scaled away
# (MARROWLIGHT_TIME_SCALE=0.001); the drive's own time is not scaled.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/release}" && pwd)"
mib="${2:-48}"
realbus="$top/tests/realbus"
work="$(mktemp -d)"
trap 'bash "$realbus/tgt-target.sh" stop "$work/tgt" || true; rm -rf "$work"' EXIT

# The image: random payload in a few files, so that nothing compresses.
mkdir -p "$work/tree" "$work/payload" "$work/tgt"
for k in 1 2 3 4; do head -c "$((mib * 1048576 / 4))" /dev/urandom > "$work/tree/part$k.bin"; done
genisoimage -quiet -udf -V BENCH -o "$work/payload/img.iso" "$work/tree"
rm -rf "$work/tree"
size="$(stat -c %s "$work/payload/img.iso")"
cp "$build/bin/marrowlight-cli" "$build/bin/libmarrowlight-sg.so" "$(command -v xorriso)" "$work/payload/"

mapfile -t urls < <(bash "$realbus/tgt-target.sh" start "$work/tgt" 6)
recorders=()
for url in "${urls[@]}"; do recorders+=(--recorder "$url"); done

cat > "$work/guest.sh" <<'GUEST'
export MARROWLIGHT_TIME_SCALE=0.001 PATH=/realbus:$PATH
now() { cut -d' ' -f1 /proc/uptime; }
took() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
for unit in 1 2 3 4 5 6; do
  target=$((unit + 2))
  node="/dev/$(ls /sys/bus/scsi/devices/0:0:$target:0/scsi_generic)"
  t0=$(now)
  if [ $((unit % 2)) -eq 1 ]; then
    marrowlight-cli --manager sg --nolog --yes write /realbus/img.iso 0,$target,0 --mode write >/tmp/w.out 2>&1
    status=$?
    t1=$(now)
    marrowlight-cli --manager sg --nolog --yes write /realbus/img.iso 0,$target,0 --mode verify >/tmp/v.out 2>&1
    verify=$?
    t2=$(now)
    echo "BENCH marrowlight $unit $status $(took $t0 $t1) verify $verify $(took $t1 $t2)"
  else
    xorriso -as cdrecord -tao dev=$node /realbus/img.iso >/tmp/w.out 2>&1
    status=$?
    t1=$(now)
    echo "BENCH xorriso $unit $status $(took $t0 $t1)"
  fi
  [ "$status" -eq 0 ] || tail -n 5 /tmp/w.out
done
GUEST

echo "Image: $size bytes ($mib MiB of random data in an ISO 9660 + UDF volume); six tgt DVD+R recorders, one guest boot."
MARROWLIGHT_REALBUS_TIMEOUT=1800 bash "$realbus/boot-guest.sh" --payload "$work/payload" --script "$work/guest.sh" \
  "${recorders[@]}" > "$work/transcript" || { cat "$work/transcript"; exit 1; }
grep -v '^BENCH' "$work/transcript" || true

awk '
  /^BENCH marrowlight/ { m[++nm] = $5; v[nm] = $8; ms[nm] = $4; vs[nm] = $7 }
  /^BENCH xorriso/ { x[++nx] = $5; xs[nx] = $4 }
  function median(a, n,   i, j, t) {
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return a[int((n + 1) / 2)]
  }
  END {
    for (i = 1; i <= nm && i <= nx; i++) {
      printf "round %d: marrowlight write %6.2f s (exit %s), xorriso write %6.2f s (exit %s), ratio %.2f; marrowlight verify %6.2f s (exit %s)\n",
             i, m[i], ms[i], x[i], xs[i], m[i] / x[i], v[i], vs[i]
      r[i] = m[i] / x[i]
    }
    printf "median write ratio marrowlight / xorriso: %.2f (below 1: Marrowlight faster)\n", median(r, (nm < nx ? nm : nx))
  }' "$work/transcript"

for k in 1 2 3 4 5 6; do
  if cmp -s -n "$size" "$work/tgt/disc$k.img" "$work/payload/img.iso"; then held=holds; else held="does NOT hold"; fi
  echo "unit $k: backing file $held the image ($(stat -c %s "$work/tgt/disc$k.img") bytes)"
done
