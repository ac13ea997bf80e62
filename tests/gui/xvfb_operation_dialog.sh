#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The operation dialog in the real marrowlight, on an X server of its own
# (Xvfb), driven as a person drives it: Option > Write Pattern in the main
# window opens "Write pattern" for the emulated QXW-7100 (on a simulated bus
# whose writer moves data at DVD 1x, at a tenth of real time); "Change
# size..." opens "Volume Size", where 32 MiB are typed in; "Write & Verify" is
# chosen in the list and Start clicked. A screenshot of the screen is kept in
# the build folder while the write pass runs; Return answers "Operation
# done.", the dialog stays open with its speed graph until Cancel closes it,
# and File > Quit with Return on "Quit?"
# ends the program with status 0. Its log must show the write and the verify
# complete.
#
# usage: xvfb_operation_dialog.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
xvfb_session
out="$3"
xvfb_prepare xvfb-operation-dialog "$1" "$2" "$out"
one_slow_writer_bus
xvfb_start

start_pattern 33554432 Down  # "Write & Verify"

logged 600 '^[3-9][0-9]% real written\.' || fail "the write pass did not get past 30%"
shot="$out/marrowlight-operation-dialog.png"
import -window root "$shot"
echo "dialog $dialog (${WIDTH}x${HEIGHT}); screenshot during the write pass: $shot ($(identify -format '%wx%h' "$shot"))"
grep -E '% real written\.' "$log" | tail -n 1 || true

logged 900 '^100% verified\.' || fail "the verify did not complete"
box="$(window 300 '^Marrowlight$' "$main")" || fail "no result box"
xdotool mousemove --window "$box" 10 10
sleep 0.3
xdotool key Return
# The graph keeps the dialog open; Cancel (88 pixels right of Start) closes it.
sleep 0.5
click "$dialog" 376 $((HEIGHT - 23))
logged 100 '^\[TWriteForm::FormClose\]' || fail "Cancel did not close the dialog after \"Operation done.\""

quit_through_box "$main"
grep -q '^PatternWriteSectors: 16384(4000H)' "$log" || fail "the pattern was not 32 MiB"
grep -q '^100% real written\.' "$log" || fail "the log lacks the end of the write pass"
echo "pattern written and verified, \"Operation done.\", quit with status 0"
