#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts and stops an iSCSI target of Debian's tgt whose logical units are
# MMC DVD recorders (tgt's "cd" device type): a unit backed by an empty file
# is a blank DVD+R, and what a recorder writes lands in that file. QEMU
# reaches each unit over iSCSI (qemu-block-extra) and hands it to the guest
# as a real MMC unit (boot-guest.sh --recorder URL).
#
# usage: tgt-target.sh start DIR N     N blank recorders backed by DIR/discK.img
#                                      (K = 1..N); prints one iSCSI URL a line
#        tgt-target.sh stop DIR        deletes the target and ends tgtd
#
# Every run takes a control port and a portal of its own (kept in DIR/tgt.env),
# so runs side by side never meet; stop removes what start made.
# Exit status 77 (with the reason on the standard error) where no target can
# start here: tgtd or tgtadm missing, not root, the portal taken.
set -euo pipefail

command="${1:-}" dir="${2:-}"
[ -n "$command" ] && [ -d "$dir" ] || { echo "usage: tgt-target.sh start|stop DIR [N]" >&2; exit 2; }
cannot_start() { echo "tgt-target: no recorder can start here: $*" >&2; exit 77; }
iqn=iqn.2026-12.local.marrowlight:recorders

if [ "$command" = stop ]; then
  [ -f "$dir/tgt.env" ] || exit 0
  . "$dir/tgt.env"
  tgtadm -C "$control" --mode target --op delete --force --tid 1 >/dev/null 2>&1 || true
  # SIGTERM alone does not stop tgtd.
  tgtadm -C "$control" --mode system --op delete >/dev/null 2>&1 || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  rm -f "$dir/tgt.env"
  exit 0
fi

count="${3:-1}"
for tool in tgtd tgtadm; do command -v "$tool" >/dev/null || cannot_start "$tool is missing (scripts/packages.sh installs tgt)"; done
[ "$(id -u)" -eq 0 ] || cannot_start "tgtd runs as root only"
# The control port is a number of tgtd's own (its socket is abstract);
# the portal a TCP port on the loopback address.
control=$((100 + RANDOM % 800)) port=$((3300 + RANDOM % 600))
# tgtd outlives this script: it keeps none of the caller's descriptors
# (a caller reading this script's output to its end would wait for it).
(
  for fd in /proc/$BASHPID/fd/*; do
    fd="${fd##*/}"
    [ "$fd" -gt 2 ] && eval "exec $fd>&-"
  done
  exec tgtd -f -C "$control" --iscsi "portal=127.0.0.1:$port"
) </dev/null >"$dir/tgtd.log" 2>&1 &
pid=$!
echo "control=$control port=$port pid=$pid" > "$dir/tgt.env"
ready=0
for _ in $(seq 1 50); do
  if tgtadm -C "$control" --mode system --op show >/dev/null 2>&1; then ready=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ "$ready" -ne 1 ]; then
  "$0" stop "$dir"
  cannot_start "tgtd did not start: $(tail -n 3 "$dir/tgtd.log" | tr '\n' ' ')"
fi
tgtadm -C "$control" --lld iscsi --mode target --op new --tid 1 --targetname "$iqn"
for k in $(seq 1 "$count"); do
  : > "$dir/disc$k.img"  # an empty backing file is a blank DVD+R
  tgtadm -C "$control" --lld iscsi --mode logicalunit --op new --tid 1 --lun "$k" --device-type cd \
    --backing-store "$dir/disc$k.img"
done
tgtadm -C "$control" --lld iscsi --mode target --op bind --tid 1 --initiator-address 127.0.0.1
for k in $(seq 1 "$count"); do echo "iscsi://127.0.0.1:$port/$iqn/$k"; done
