#!/usr/bin/env bash
# The operation dialog as a person meets it, on an X server of its own
# (Xvfb): marrowlight-write-form opens "Write DVD image" for a genisoimage
# volume and the emulated QXW-7100 on a simulated bus whose writer moves data
# at DVD 1x (at a tenth of real time); Start is clicked with the mouse; a
# screenshot of the screen is kept in the build folder while the write pass
# runs; Return answers "Operation done."; the program must end with status 0
# and its log must show the write and the verify complete.
#
# usage: xvfb_write_form.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when xvfb-run, xdotool, ImageMagick's import or
# genisoimage is missing.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  for tool in xvfb-run xdotool import genisoimage; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  # A server number of its own, away from :99 where every other run starts
  # looking: runs on a shared machine then rarely race for the same display.
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 800x600x24" "$0" --inside "$@"
fi
shift
program="$1" manager="$2" out="$3"

run="$out/xvfb-write-form"
rm -rf "$run"
mkdir -p "$run/state" "$run/source"
ln -f "$program" "$run/marrowlight-write-form" 2>/dev/null || cp "$program" "$run/marrowlight-write-form"
ln -f "$manager" "$run/libwnaspi32.so" 2>/dev/null || cp "$manager" "$run/libwnaspi32.so"

# A 24 MiB volume: long enough a pass to be caught in the middle.
head -c 25165824 /dev/urandom >"$run/source/DATA.BIN"
genisoimage -quiet -udf -V XVFBSHOT -o "$run/volume.iso" "$run/source"
cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 4, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 1 } ] } ] }
JSON
unset MARROWLIGHT_ASPI MARROWLIGHT_SIMBUS_STATE
export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=0.1 QT_QPA_PLATFORM=xcb
# In the sanitizer tree: what the system's D-Bus library keeps is not a leak
# of the program.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/xvfb.lsan.supp"

"$run/marrowlight-write-form" "$run/volume.iso" 0,4,0 write-verify >"$run/stdout.txt" 2>"$run/stderr.txt" &
pid=$!
log="$run/MarrowlightLog.txt"
fail() {
  echo "FAILED: $*"
  kill "$pid" 2>/dev/null || true
  tail -n 20 "$run/stderr.txt" || true
  exit 1
}
# Waits up to $1 tenths of a second for a visible window named $2; prints its id.
window() {
  local found
  for _ in $(seq "$1"); do
    found="$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1 || true)"
    [ -n "$found" ] && { echo "$found"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# Waits up to $1 tenths of a second for a log line matching $2.
logged() {
  for _ in $(seq "$1"); do
    grep -qE "$2" "$log" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

dialog="$(window 300 '^Write DVD image$')" || fail "the dialog \"Write DVD image\" did not appear"
sleep 0.5  # let it paint
# Start stands at the dialog's lower right: 288 pixels from its left edge and
# 23 from its bottom, whatever rows the operation shows.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove --window "$dialog" 288 $((HEIGHT - 23)) click 1

logged 600 '^([3-9][0-9])% real written\.' || fail "the write pass did not get past 30%"
shot="$out/marrowlight-write-form.png"
import -window root "$shot"
echo "dialog $dialog (${WIDTH}x${HEIGHT}); screenshot during the write pass: $shot ($(identify -format '%wx%h' "$shot"))"
grep -E '% real written\.' "$log" | tail -n 1 || true

logged 900 '^100% verified\.' || fail "the verify did not complete"
box="$(window 300 '^Marrowlight$')" || fail "no result box"
xdotool mousemove --window "$box" 10 10
sleep 0.3
xdotool key Return
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after the result box"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status (not \"Operation done.\")"
grep -q '^100% real written\.' "$log" || fail "the log lacks the end of the write pass"
grep -q '^\[TWriteForm::FormClose\]' "$log" || fail "the dialog did not close itself"
echo "written and verified, \"Operation done.\", exit status 0"
