#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program against the tools a person would use instead, through the
# real kernel: one QEMU guest (tests/realbus/boot-guest.sh) with QEMU's
# emulated CD-ROM drive holding a genisoimage ISO and an empty disk, and in
# it, round after round in alternating order, with the caches dropped before
# each run:
#   CD -> file          marrowlight-cli copy      sg_dd (32 KiB and 64 KiB commands), dd bs=64k
#   CD -> file + verify marrowlight-cli copy-verify   dd + cmp
#   CD -> disk          marrowlight-cli copy onto the disk   dd of=/dev/sdX bs=64k conv=fsync
#   file -> file        marrowlight-cli copy      dd bs=64k (both files in the guest's memory)
#   the digest          the program hashes what it copies (SHA-256): dd | tee | sha256sum does
#                       the same, and sha256sum of the file in memory times the hashing alone
# It prints each job's median time, its spread (fastest and slowest run) and,
# for each comparison, the median of the per-round ratios. A benchmark, not
# a test: it asserts nothing.
#
# usage: bench/realbus_bench.sh [MB] [rounds] [bin folder]
#   MB       the size of the data in the image [305]
#   rounds   [7]
#   bin      where marrowlight-cli and libmarrowlight-sg.so are [build/release/bin]
# Needs what the guest tests need (scripts/packages.sh), and sg_dd
# (sg3-utils) on the host; the guest gets a copy of it.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
mb="${1:-305}"
rounds="${2:-7}"
bin="${3:-$root/build/release/bin}"

for file in "$bin/marrowlight-cli" "$bin/libmarrowlight-sg.so"; do
  [ -e "$file" ] || { echo "realbus_bench: $file is missing: build the program first" >&2; exit 2; }
done
sg_dd="$(command -v sg_dd)" || { echo "realbus_bench: sg_dd is missing (sg3-utils)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/realbus-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/volume" "$work/payload"
head -c "$((mb * 1000 * 1000))" /dev/urandom > "$work/volume/data.bin"
genisoimage -quiet -R -J -udf -V BENCH_CD -o "$work/cd.iso" "$work/volume"
rm -rf "$work/volume"
iso_bytes="$(stat -c %s "$work/cd.iso")"
truncate -s "$((iso_bytes + 16 * 1024 * 1024))" "$work/disk.img"
cp "$bin/marrowlight-cli" "$bin/libmarrowlight-sg.so" "$sg_dd" "$here/realbus-bench-guest.sh" "$work/payload/"
echo "ROUNDS=$rounds" > "$work/payload/bench.env"

echo "realbus_bench: $iso_bytes bytes in the CD-ROM drive, $rounds rounds (one guest, TCG unless KVM is usable)"
MARROWLIGHT_REALBUS_MEMORY=1536 MARROWLIGHT_REALBUS_TIMEOUT=7200 \
  "$root/tests/realbus/boot-guest.sh" --payload "$work/payload" --script "$here/realbus-bench-guest.sh" \
  --cd "$work/cd.iso" --disk "$work/disk.img" > "$work/transcript"
grep -v '^BENCH ' "$work/transcript" || true

# BENCH round job seconds status
awk -v bytes="$iso_bytes" '
  $1 == "BENCH" {
    if ($5 != 0) failed[$3]++
    t[$3, $2] = $4; jobs[$3] = 1; if ($2 > last) last = $2
  }
  function median(values, n,   i, j, x) {
    for (i = 2; i <= n; i++) { x = values[i]; for (j = i - 1; j > 0 && values[j] > x; j--) values[j + 1] = values[j]; values[j + 1] = x }
    return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
  }
  function row(job,   r, n, v, lo, hi) {
    n = 0; lo = 1e9; hi = 0
    for (r = 1; r <= last; r++) if ((job, r) in t) { v[++n] = t[job, r]; if (t[job, r] < lo) lo = t[job, r]; if (t[job, r] > hi) hi = t[job, r] }
    if (n == 0) return
    printf "  %-26s median %7.2f s  (%6.1f MB/s)  spread %.2f - %.2f s%s\n", job, median(v, n), bytes / median(v, n) / 1e6, lo, hi, (job in failed) ? "  FAILED " failed[job] "x" : ""
  }
  function ratio(label, a, b, goal,   r, n, v, m) {
    n = 0
    for (r = 1; r <= last; r++) if (((a, r) in t) && ((b, r) in t) && t[b, r] > 0) v[++n] = t[a, r] / t[b, r]
    if (n == 0) return
    m = median(v, n)
    printf "  %-44s %5.2f%s\n", label, m, goal ? sprintf("   goal <= %.1f: %s", goal, m <= goal ? "met" : "missed") : ""
  }
  END {
    print "Times (caches dropped before each run):"
    row("ml-cd-file"); row("sgdd32-cd-file"); row("sgdd64-cd-file"); row("dd-cd-file")
    row("ml-cd-file-verify"); row("ddcmp-cd-file-verify")
    row("ml-cd-disk"); row("dd-cd-disk")
    row("ddsha-cd-file"); row("sha-file")
    row("ml-file-file"); row("dd-file-file")
    print "Median of the per-round ratios (program / peer):"
    ratio("CD -> file / sg_dd bpt=16 (32 KiB)", "ml-cd-file", "sgdd32-cd-file", 1.2)
    ratio("CD -> file / sg_dd bpt=32 (64 KiB)", "ml-cd-file", "sgdd64-cd-file", 0)
    ratio("CD -> file / dd bs=64k", "ml-cd-file", "dd-cd-file", 0)
    ratio("CD -> file + verify / dd + cmp", "ml-cd-file-verify", "ddcmp-cd-file-verify", 1.3)
    ratio("CD -> disk / dd conv=fsync", "ml-cd-disk", "dd-cd-disk", 1.3)
    ratio("file -> file / dd bs=64k", "ml-file-file", "dd-file-file", 1.2)
    ratio("CD -> file / dd | tee | sha256sum (both hash)", "ml-cd-file", "ddsha-cd-file", 0)
  }' "$work/transcript"
