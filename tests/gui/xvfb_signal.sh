#!/usr/bin/env bash
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
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 4, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 1 } ] } ] }
JSON
unset MARROWLIGHT_SIMBUS_STATE
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=0.1
xvfb_start

main="$(window 600 '^Marrowlight$')" || fail "no main window"
sleep 1
# Option > Write Pattern, 32 MiB in "Volume Size", "Write", Start (the
# dialog's controls stand where xvfb_operation_dialog.sh says).
click "$main" 20 8
xdotool key Right w
dialog="$(window 100 '^Write pattern$')" || fail "Option > Write Pattern did not open \"Write pattern\""
sleep 0.5
click "$dialog" 360 94
window 100 '^Volume Size$' >/dev/null || fail "\"Change size...\" did not open \"Volume Size\""
sleep 0.3
xdotool key shift+Tab ctrl+a
xdotool type 33554432
xdotool key Return
sleep 0.5
click "$dialog" 269 154
xdotool key Home Return  # "Write"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$dialog")"
click "$dialog" 288 $((HEIGHT - 23))

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
