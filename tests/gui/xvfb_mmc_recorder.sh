#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real marrowlight on an X server of its own (Xvfb, under openbox when it
# is installed) on a simulated bus whose only writer is another maker's DVD
# writer (an MMC recorder with a blank DVD-R): the main window's title says
# "simulated drives", the scan reads the recorder's disc, and a screenshot of
# the Write page with the recorder as its destination ("(0,6,0) PLEXWAVE DVDR
# PX-900 1.04 - DVD-R") is kept in the build folder. Then the program is quit.
#
# usage: xvfb_mmc_recorder.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -euo pipefail
source "$(dirname "$0")/xvfb-session.sh"
xvfb_session
out="$3"
xvfb_prepare xvfb-mmc-recorder "$1" "$2" "$out"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  wm=$!
  trap 'kill "$wm" 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_number_file"' EXIT
fi
cat > "$run/bus.json" <<'JSON'
{"adapters": [{"devices": [
  {"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}},
  {"id": 6, "model": "mmc-recorder", "vendor": "PLEXWAVE", "product": "DVDR PX-900", "revision": "1.04",
   "medium": {"kind": "dvd-r"}}]}]}
JSON
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_SIMBUS_STATE="$run/state" MARROWLIGHT_TIME_SCALE=0.01
xvfb_start

main="$(window 600 '^Marrowlight - simulated drives$')" || fail "no window titled \"Marrowlight - simulated drives\""
logged 100 'now serching 0,6,0 \.\.\. PLEXWAVEDVDR PX-900' || fail "the scan did not reach the recorder"
grep -q '\[ReadDiscState\] 0,6,0: DVD-R, blank' "$log" || fail "the recorder's disc was not read for its list item"
sleep 1  # let it paint
shot="$out/marrowlight-mmc-recorder.png"
import -window root "$shot"
echo "main window $main: $(xdotool getwindowgeometry "$main" | tr '\n' ' ')"
echo "screenshot: $shot ($(identify -format '%wx%h' "$shot"))"

quit_through_box "$main"
echo "quit through Quit? -> Yes, exit status 0"
