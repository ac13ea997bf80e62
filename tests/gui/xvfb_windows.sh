#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The windows as a person meets them, in the real marrowlight on an X server
# of its own (Xvfb) under a window manager (openbox), driven with the
# keyboard (mnemonics, Enter on the default button). Screenshots of the new
# states are kept in the build folder.
#
# First start, in real time, on a bus with a disk that does not answer its
# first INQUIRY: the splash is drawn while the scan waits for it
# (marrowlight-splash.png), the log names the address, and the terminal gets
# no log entries. The bus's QXW-7100 holds a disc smaller than the sample
# volume of its DVD-ROM drive: the main window shows what the writer holds
# (marrowlight-disc-state.png); Alt+W opens the write, "Write" is chosen and
# Enter starts it; "Write Mode Select" shows both sizes
# (marrowlight-write-mode.png) and Enter answers "Cancel writing": nothing is
# written.
#
# Second start, `marrowlight IMAGE` with MARROWLIGHT_TRACE=1 (the log on the
# terminal, an entry a line) on a bus with a QXW-7200: the image is the
# Write page's source; it is written (the status line then says how it ended,
# and the line under the writer that the tray is open:
# marrowlight-after-write.png); the image is changed and Alt+V verifies it:
# the warning box names the differing steps
# (marrowlight-verify-differences.png) and the dialog stays open with it on
# its status line; Alt+P opens the writer's properties, Alt+L loads the disc,
# Alt+E erases it while a bar and a line show how far it has come
# (marrowlight-erase-progress.png). Each start ends through File > Quit, whose
# box is wide enough for its title.
#
# usage: xvfb_windows.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, openbox, xdotool, xprop, ImageMagick's import
# or genisoimage is missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
command -v genisoimage >/dev/null || { echo "skipped: genisoimage is not installed"; exit 77; }
xvfb_session
out="$3"
xvfb_prepare xvfb-windows "$1" "$2" "$out"
unset MARROWLIGHT_SIMBUS_STATE
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=0.1

# A volume of about 3 MB, made by genisoimage.
mkdir -p "$run/tree"
head -c 3000000 /dev/urandom >"$run/tree/data.bin"
genisoimage -quiet -udf -V WINDOWS -o "$run/volume.iso" "$run/tree"

shot() {
  sleep 0.5  # let it paint
  import -window root "$out/$1"
  echo "screenshot: $out/$1 ($(identify -format '%wx%h' "$out/$1"))"
}

# Sends keys to the window that has the focus (the window manager gives it to
# the newest window).
keys() {
  xdotool key --delay 100 "$@"
  sleep 0.3
}

# --- First start: the splash, the write mode question ------------------------
# In real time, with a disk at 0,1,0 that does not answer its first INQUIRY:
# the scan waits 2.5 s for it with the splash on the screen, which must be
# drawn, and the status line then names the address.
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 1, "model": "disk", "medium": { "kind": "image", "sectors": 64 },
      "faults": [ { "kind": "hang", "opcode": "12h", "first": 1 } ] },
    { "id": 2, "model": "dvd-rom", "medium": { "kind": "image", "path": "volume.iso" } },
    { "id": 4, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 1024 } } ] } ] }
JSON
MARROWLIGHT_TIME_SCALE=1 xvfb_start
logged 300 '^now serching 0,0,0 \.\.\. No device\.' || fail "the scan did not start"
sleep 0.5
import -window root "$out/marrowlight-splash.png"
# The splash (358 x 96, in the middle of the screen) is drawn, not an empty
# rectangle.
deviation="$(convert "$out/marrowlight-splash.png" -crop 358x96+333+336 -format '%[fx:standard_deviation]' info:)"
awk -v d="$deviation" 'BEGIN { exit !(d > 0.05) }' || fail "the splash was not drawn (deviation $deviation)"
echo "splash drawn during the scan: $out/marrowlight-splash.png (deviation $deviation)"
main="$(window 600 '^Marrowlight( - simulated drives)?$')" || fail "no main window"
logged 50 '^now serching 0,1,0 \.\.\. No answer' || fail "the address that did not answer is not named in the log"
# Without --trace the terminal gets no log entries.
grep -q 'InitWritePage' "$run/stdout.txt" "$run/stderr.txt" && fail "log entries reached the terminal without --trace"
logged 100 '^\[ReadDiscState\] 0,4,0: DVD-R, blank, 2,097,152 bytes free' || fail "the writer's disc was not read"
shot marrowlight-disc-state.png
xdotool windowactivate --sync "$main"
keys alt+w
dialog="$(window 100 '^Write DVD image$')" || fail "Alt+W did not open \"Write DVD image\""
# The list opens on "Test Only"; "Write" is its first item. Enter then
# presses Start, the default button before an operation runs.
click "$dialog" 269 154
keys Home Return
keys Return
logged 100 '^\[TWriteForm::BtnStartClick\]' || fail "Enter did not start the operation"
mode="$(window 300 '^Write Mode Select$')" || fail "no \"Write Mode Select\" for a volume larger than the disc"
shot marrowlight-write-mode.png
keys Return  # "Cancel writing" is the default
box="$(window 100 '^Marrowlight$' "$main")" || fail "no result box after \"Cancel writing\""
keys Return
logged 100 '^\[TWriteForm::FormClose\]' || fail "the dialog did not close after the cancel"
grep -q '^WriteSectors:' "$log" && fail "Enter at \"Write Mode Select\" wrote the disc"
quit_through_box "$main"
echo "first start: the write mode question with both sizes, Enter wrote nothing"

# --- Second start: write, verify with differences, erase ---------------------
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 4, "model": "qxw7200", "medium": { "kind": "dvd-rw", "sectors": 8192 },
      "timing": { "blank_ms": 60000 } } ] } ] }
JSON
rm -f "$log"
MARROWLIGHT_TRACE=1 xvfb_start "$run/volume.iso"
main="$(window 600 '^Marrowlight( - simulated drives)?$')" || fail "no main window on the second start"
xdotool windowactivate --sync "$main"
keys alt+w
dialog="$(window 100 '^Write DVD image$')" || fail "Alt+W did not open the write of the image"
grep -q '^\[TWriteForm::SetParameters(File->Scsi)\]' "$log" || fail "the image on the command line is not the source"
click "$dialog" 269 154
keys Home Return
keys Return
logged 300 '^100% real written\.' || fail "the write did not complete"
box="$(window 300 '^Marrowlight$' "$main")" || fail "no result box after the write"
keys Return
# The dialog keeps its speed graph in view after "Operation done."; Esc closes it.
window 10 '^Write DVD image$' >/dev/null || fail "the dialog with its graph closed after \"Operation done.\""
keys Escape
logged 100 '^\[TWriteForm::FormClose\]' || fail "Esc did not close the dialog after \"Operation done.\""
logged 100 '\[ReadDiscState\] 0,4,0: (no disc|tray open)' || fail "the line under the writer was not read after the write"
shot marrowlight-after-write.png

# One byte of the image changes: the verify finds it.
printf '\xA5' | dd of="$run/volume.iso" bs=1 seek=100000 conv=notrunc status=none
xdotool windowactivate --sync "$main"
keys alt+v
dialog="$(window 100 '^Write DVD image$')" || fail "Alt+V did not open the verify"
keys Return
question="$(window 300 '^Marrowlight$' "$main")" || fail "no difference question"
keys Return  # Yes: quit verifying
logged 100 '^Verify result: 1 differing steps\.' || fail "the verify did not count the difference"
warning="$(window 100 '^Marrowlight$' "$main")" || fail "no result box for the differences"
shot marrowlight-verify-differences.png
keys Return
sleep 0.5
window 10 '^Write DVD image$' >/dev/null || fail "the dialog closed although the verify found differences"
keys Escape
logged 100 '^\[TWriteForm::FormClose\]' || fail "Esc did not close the dialog"

xdotool windowactivate --sync "$main"
keys alt+p
property="$(window 100 '^Writer Property$')" || fail "Alt+P did not open \"Writer Property\""
keys alt+l
logged 100 '^\[LoadDisc\]' || fail "Alt+L did not load the disc"
keys alt+e
erase="$(window 100 '^Marrowlight$' "$main")" || fail "no erase question"
keys Return  # OK
logged 300 '^Erasing \.\.\. [1-9][0-9]?% ' || fail "the erase showed no progress"
shot marrowlight-erase-progress.png
logged 600 '^Blank done\. 1: 0-00-00' || fail "the erase did not end"
box="$(window 100 '^Marrowlight$' "$main")" || fail "no \"Erase done.\" box"
keys Return
sleep 0.3
keys Escape
quit_through_box "$main"
# MARROWLIGHT_TRACE: the log entries on the terminal, one a line.
grep -qx '\[InitWritePage\]' "$run/stderr.txt" || fail "MARROWLIGHT_TRACE=1 did not put the log on the terminal line by line"
echo "second start: the image written, a verify with differences kept its dialog open, the disc erased with progress"
