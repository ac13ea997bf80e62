#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# "Write to several writers" in the real marrowlight under Xvfb, driven as a
# person drives it: Option > Write to several writers... for the disc in the
# emulated DVD-ROM drive (the Write page's source); the three emulated
# QXW-7100 writers ticked with the keyboard (Tab, Space), "Write & Verify"
# as the window opens on it, Start. The writers move data at DVD 2x (at a
# tenth of real time), so a screenshot is taken while all three write;
# Return answers the box that lists the three results, Esc closes the
# window and File > Quit ends the program with status 0. The log must name
# every writer done and a source read once per pass.
#
# A window manager (openbox) is started for the run unless the session has
# one already.
#
# usage: xvfb_several_writers.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, xdotool, import or genisoimage is missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
command -v genisoimage >/dev/null || { echo "skipped: genisoimage is not installed"; exit 77; }
xvfb_session
if command -v openbox >/dev/null && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  XDG_CONFIG_HOME="$(mktemp -d)" openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  trap 'kill "$wm_pid" "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_number_file"' EXIT
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
fi
out="$3"
xvfb_prepare xvfb-several-writers "$1" "$2" "$out"
mkdir -p "$run/source"
head -c 25165824 /dev/urandom >"$run/source/DATA.BIN"
genisoimage -quiet -V SEVERAL -o "$run/disc.iso" "$run/source"
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 2, "model": "dvd-rom", "medium": { "kind": "image", "path": "disc.iso" } },
    { "id": 3, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 2 },
    { "id": 4, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 2 },
    { "id": 5, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 2 } ] } ] }
JSON
unset MARROWLIGHT_SIMBUS_STATE
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=0.1
xvfb_start

open_from_option t "Write to several writers"
form="$opened"
xdotool mousemove --window "$form" 5 5
sleep 0.3
# The operation list has the focus: tick the three writers, then Start.
xdotool key Tab space Tab space Tab space Tab space
logged 600 '^[3-9][0-9]% real written\.' || fail "the writers did not get past 30%"
shot="$out/marrowlight-several-writers.png"
import -window root "$shot"
echo "window $form: $(xdotool getwindowgeometry "$form" | tr '\n' ' ')"
echo "screenshot while three writers write: $shot ($(identify -format '%wx%h' "$shot"))"

logged 900 '^\[SeveralWriters\] 3 of 3 discs done\.' || fail "the three writers did not all end done"
box="$(window 300 '^Marrowlight$' "$main")" || fail "no box with the writers' results"
xdotool mousemove --window "$box" 10 10
sleep 0.3
xdotool key Return
sleep 0.5
xdotool mousemove --window "$form" 5 5
xdotool key Escape
logged 100 '^\[TSeveralWritersForm::FormClose\]' || fail "Esc did not close the window"

quit_through_box "$main"
for writer in 0,3,0 0,4,0 0,5,0; do
  grep -q "^\[SeveralWriters\] $writer: Operation done\." "$log" || fail "the log lacks $writer done"
done
grep -q '^\[SharedPass\] .* read again by writers a window behind\.' "$log" || fail "no shared pass in the log"
grep '^\[SharedPass\]' "$log"
echo "three writers recorded and verified at once, quit with status 0"
