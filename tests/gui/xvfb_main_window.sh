#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real marrowlight on an X server of its own (Xvfb): it must show its main
# window titled "Marrowlight - simulated drives" on the built-in simulated bus; a screenshot of
# the screen is kept in the build folder to look at; then the person's way out
# is taken: File > Quit, and Return on "Quit?" (Yes is its default button).
# The program must end with status 0 and leave a log that holds both scans.
#
# usage: xvfb_main_window.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
xvfb_session
out="$3"
xvfb_prepare xvfb-main-window "$1" "$2" "$out"
unset MARROWLIGHT_SIMBUS
export MARROWLIGHT_SIMBUS_STATE="$run/state" MARROWLIGHT_TIME_SCALE=0.01
xvfb_start

main="$(window 600 '^Marrowlight - simulated drives$')" || fail "no window titled \"Marrowlight - simulated drives\" appeared"
sleep 1  # let it paint
shot="$out/marrowlight-main-window.png"
import -window root "$shot"
echo "main window $main: $(xdotool getwindowgeometry "$main" | tr '\n' ' ')"
echo "screenshot: $shot ($(identify -format '%wx%h' "$shot"))"

quit_through_box "$main"
grep -q "\[InitCopyPage\] done\." "$log" || fail "the log beside the program lacks the scans"
echo "quit through Quit? -> Yes, exit status 0, log $log"
