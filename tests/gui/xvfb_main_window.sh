#!/usr/bin/env bash
# The real marrowlight on an X server of its own (Xvfb): it must show its main
# window titled "Marrowlight" on the built-in simulated bus; a screenshot of
# the screen is kept in the build folder to look at; then the person's way out
# is taken: File > Quit, and Return on "Quit?" (Yes is its default button).
# The program must end with status 0 and leave a log that holds both scans.
#
# usage: xvfb_main_window.sh PROGRAM MANAGER OUTPUT_FOLDER
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick's import is missing.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$@"
fi
shift
program="$1" manager="$2" out="$3"

# The program and its manager in a folder of their own, so that its log is
# created beside it there and nowhere else.
run="$out/xvfb-main-window"
rm -rf "$run"
mkdir -p "$run/state"
ln -f "$program" "$run/marrowlight" 2>/dev/null || cp "$program" "$run/marrowlight"
ln -f "$manager" "$run/libwnaspi32.so" 2>/dev/null || cp "$manager" "$run/libwnaspi32.so"
unset MARROWLIGHT_ASPI MARROWLIGHT_SIMBUS
export MARROWLIGHT_SIMBUS_STATE="$run/state" MARROWLIGHT_TIME_SCALE=0.01 QT_QPA_PLATFORM=xcb
# A person's saved settings (a chosen SCSI manager) stay out of the run.
export XDG_CONFIG_HOME="$run/config"
# A sanitizer build: what the system's libraries keep is not the program's leak.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan-system.supp:print_suppressions=0"

"$run/marrowlight" >"$run/stdout.txt" 2>"$run/stderr.txt" &
pid=$!
fail() {
  echo "FAILED: $*"
  kill "$pid" 2>/dev/null || true
  tail -n 20 "$run/stderr.txt" || true
  exit 1
}

# Waits up to $1 tenths of a second for the visible windows titled
# "Marrowlight" to number $2; prints their ids.
windows() {
  local tries="$1" count="$2" found=""
  for _ in $(seq "$tries"); do
    found="$(xdotool search --onlyvisible --name '^Marrowlight$' 2>/dev/null || true)"
    [ "$(printf '%s' "$found" | grep -c .)" -ge "$count" ] && { echo "$found"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

main="$(windows 600 1 | head -n 1)" || fail "no window titled Marrowlight appeared"
sleep 1  # let it paint
shot="$out/marrowlight-main-window.png"
import -window root "$shot"
echo "main window $main: $(xdotool getwindowgeometry "$main" | tr '\n' ' ')"
echo "screenshot: $shot ($(identify -format '%wx%h' "$shot"))"

# File > Quit with the mouse and the menu's accelerator, then Return on the box.
xdotool mousemove --window "$main" 20 8 click 1
sleep 0.5
xdotool key q
box="$(windows 100 2 | grep -v "^$main\$" | head -n 1)" || fail "Quit? did not appear"
xdotool mousemove --window "$box" 10 10
sleep 0.3
xdotool key Return

for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after Quit? -> Yes"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q "\[InitCopyPage\] done\." "$run/MarrowlightLog.txt" || fail "the log beside the program lacks the scans"
echo "quit through Quit? -> Yes, exit status 0, log $run/MarrowlightLog.txt"
