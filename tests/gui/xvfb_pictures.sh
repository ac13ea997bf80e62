#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The pictures of a disc in the real marrowlight, on an X server of its own
# (Xvfb) with openbox as the window manager, driven as a person drives them;
# two screenshots are kept in the build folder and looked at afterwards:
#
# 1. marrowlight-speed-graph.png: Option > Write Pattern, "Change size..." to
#    64 MiB, "Write & Verify", Start, on a QXW-7100 that moves data at 8x
#    (0.8x at a tenth of real time). After "Operation done." the dialog stays
#    open with the graph of the write and the verify pass and the drive's
#    rate as a line; its Cancel button closes it.
# 2. marrowlight-read-scan.png: a second run, in real time, with a DVD-ROM
#    drive reading at 2x whose disc has 20 unreadable sectors (1500-1519)
#    and a region of 64 sectors (3000-3063) that reads 20 times slower:
#    Option > Read Scan..., Return (Start), the map with its red and amber
#    bands and the summary; Esc closes the window.
# Each run ends with File > Quit and Return on "Quit?", with status 0.
#
# usage: xvfb_pictures.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, xdotool, ImageMagick's import or openbox is
# missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
command -v openbox >/dev/null || { echo "skipped: openbox is not installed"; exit 77; }
xvfb_session
openbox --sm-disable >/dev/null 2>&1 &
out="$3"
unset MARROWLIGHT_SIMBUS_STATE

# 1. The operation dialog's graph after a write and a verify.
xvfb_prepare xvfb-pictures-graph "$1" "$2" "$out"
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 4, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 0.8,
      "timing": { "close_ms": 2000 } } ] } ] }
JSON
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=0.1
xvfb_start
open_from_option w "Write pattern"
dialog="$opened"
click "$dialog" 360 94
sizes="$(window 100 '^Volume Size$')" || fail "\"Change size...\" did not open \"Volume Size\""
sleep 0.3
xdotool key shift+Tab ctrl+a
xdotool type 67108864
xdotool key Return
sleep 0.5
click "$dialog" 269 154
xdotool key Home Down Return  # "Write & Verify"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$dialog")"
click "$dialog" 288 $((HEIGHT - 23))
logged 1200 '^100% verified\.' || fail "the verify did not complete"
box="$(window 300 '^Marrowlight$' "$main")" || fail "no result box"
xdotool windowactivate --sync "$box" key Return
sleep 1
# The graph keeps the dialog open.
grep -q '^\[TWriteForm::FormClose\]' "$log" && fail "the dialog closed itself although it shows a graph"
xdotool search --onlyvisible --name '^Write pattern$' >/dev/null || fail "the dialog is gone after \"Operation done.\""
graph="$out/marrowlight-speed-graph.png"
import -window "$dialog" "$graph"
echo "operation dialog after write and verify: $graph ($(identify -format '%wx%h' "$graph"))"
click "$dialog" 376 $((HEIGHT - 23))  # Cancel closes the idle dialog
logged 100 '^\[TWriteForm::FormClose\]' || fail "Cancel did not close the dialog"
quit_through_box "$main"

# 2. The read scan of a disc with an unreadable and a slow region.
xvfb_prepare xvfb-pictures-scan "$1" "$2" "$out"
head -c $((4096 * 2048)) /dev/urandom >"$run/disc.img"
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 2, "model": "dvd-rom", "medium": { "kind": "image", "path": "disc.img" }, "speed": 2,
      "faults": [ { "kind": "sense", "opcode": "28h", "lba": [1500, 1519], "sense": "03/11/00" },
                  { "kind": "slow", "lba": [3000, 3063], "factor": 20 } ] } ] } ] }
JSON
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=1
xvfb_start
open_from_option r "Read Scan"
scan="$opened"
xdotool windowactivate --sync "$scan" key Return  # Start is the default button
logged 300 '^\[ReadScan\] .* (done|failed)\.' || fail "the scan did not end"
sleep 0.5  # the window's next tick shows the summary
map="$out/marrowlight-read-scan.png"
import -window "$scan" "$map"
echo "read scan: $map ($(identify -format '%wx%h' "$map"))"
grep -E '^\[ReadScan\]' "$log" | tail -n 3
grep -q '^\[ReadScan\] Unreadable: blocks 1500-1519\.' "$log" || fail "the scan did not find sectors 1500-1519"
xdotool windowactivate --sync "$scan" key Escape
sleep 0.5
xdotool search --onlyvisible --name '^Read Scan$' >/dev/null && fail "Esc did not close \"Read Scan\""
quit_through_box "$main"
echo "graph after write and verify, read scan with an unreadable region: both screenshots kept"
