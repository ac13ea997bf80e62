#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SIGTERM to the real marrowlight on an X server of its own (Xvfb), as a
# logout or `kill` sends it, while a pattern write pass runs on the emulated
# QXW-7100 (DVD 1x, at a tenth of real time): the program must cancel the
# operation (no "Are you sure to cancel operation?", no result box waiting
# for a person), give the disc back, and end with status 0 without "Quit?".
#
# usage: xvfb_signal.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
xvfb_session
out="$3"
xvfb_prepare xvfb-signal "$1" "$2" "$out"
one_slow_writer_bus
xvfb_start

start_pattern 33554432 ""  # "Write"

logged 600 '^[1-9][0-9]?% real written\.' || fail "the write pass did not start"
kill -TERM "$pid"
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program still runs a minute after SIGTERM"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM (143: killed by it)"
grep -q '^\[Marrowlight\] A signal ends the program' "$log" || fail "the log does not say why the program ended"
grep -q '^Operation canceled by user instruction\.' "$log" || fail "the operation was not canceled"
grep -q '^100% real written\.' "$log" && fail "the write pass ran to its end"
echo "SIGTERM during the write pass: canceled, exit status 0, last progress: $(grep -E '% real written\.' "$log" | tail -n 1)"
