# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the Xvfb runs of the real program (sourced, not run): an X server
# of the run's own, a folder holding the program beside its manager (so its
# log is made there and nowhere else), and the person's moves with xdotool.
#
# xvfb_session             starts an X server of its own (Xvfb) for the run,
#                          sets DISPLAY and starts a window manager (openbox)
#                          on it, as a desktop has one (exits 77, skipped, when
#                          Xvfb, openbox, xdotool, xprop or import is missing);
#                          both end with the run
# xvfb_prepare NAME PROGRAM MANAGER OUT
#                          sets run=OUT/NAME (emptied), links the program and
#                          the manager into it, keeps the user's settings out
# xvfb_start [ARGS...]     starts "$run/marrowlight" with ARGS; sets pid and log
# fail TEXT                ends the run with the text and the program's stderr
# window TENTHS NAME [NOT] waits for a visible window named NAME (a regular
#                          expression) other than the window NOT; prints its id
# logged TENTHS REGEX      waits for a log line matching REGEX
# click WINDOW X Y         a left click at X,Y in WINDOW
# quit_through_box MAIN    File > Quit, Return on "Quit?" (Yes is its default),
#                          then the program must end with status 0
# start_pattern BYTES KEYS waits for the main window (sets main), opens Option >
#                          Write Pattern (sets dialog), types BYTES into
#                          "Volume Size", picks the operation with KEYS in the
#                          list (Home first: "Write") and clicks Start; sets
#                          HEIGHT to the dialog's height

xvfb_session() {
  local tool
  for tool in Xvfb openbox xdotool xprop import; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  # Xvfb picks a free display itself and writes its number once it accepts
  # clients, so runs side by side never race for a display number.
  # (not local: the exit trap removes it)
  xvfb_number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_number_file" 2>/dev/null &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_number_file"' EXIT
  for _ in $(seq 300); do
    [ -s "$xvfb_number_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "FAILED: Xvfb did not start"; exit 1; }
    sleep 0.1
  done
  [ -s "$xvfb_number_file" ] || { echo "FAILED: Xvfb gave no display within 30 s"; exit 1; }
  export DISPLAY=":$(head -n 1 "$xvfb_number_file")"
  # A window manager: focus, decorations and titles as a person sees them.
  # Its settings and session stay out of the user's folders.
  XDG_CONFIG_HOME="$(mktemp -d)" openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  trap 'kill "$wm_pid" "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_number_file"' EXIT
  for _ in $(seq 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    kill -0 "$wm_pid" 2>/dev/null || { echo "FAILED: openbox did not start"; exit 1; }
    sleep 0.1
  done
  echo "FAILED: openbox took no charge of the display within 30 s"
  exit 1
}

xvfb_prepare() {
  run="$4/$1"
  rm -rf "$run"
  mkdir -p "$run/state"
  ln -f "$2" "$run/marrowlight" 2>/dev/null || cp "$2" "$run/marrowlight"
  ln -f "$3" "$run/libwnaspi32.so" 2>/dev/null || cp "$3" "$run/libwnaspi32.so"
  unset MARROWLIGHT_ASPI
  export QT_QPA_PLATFORM=xcb
  # A person's saved settings (a chosen SCSI manager) stay out of the run.
  export XDG_CONFIG_HOME="$run/config"
  # So do the disc records of its operations.
  export XDG_DATA_HOME="$run/data"
  # A sanitizer build: what the system's libraries keep is not the program's
  # leak.
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan-system.supp:print_suppressions=0"
}

# A simulated bus with the emulated QXW-7100 alone, a blank DVD-R in it,
# moving data at DVD 1x on a tenth of real time: a pass lasts long enough
# for a person (or xdotool) to act while it runs.
one_slow_writer_bus() {
  cat >"$run/bus.json" <<JSON
{ "state_dir": "state",
  "adapters": [ { "devices": [
    { "id": 4, "model": "qxw7100", "medium": { "kind": "dvd-r", "sectors": 65536 }, "speed": 1 } ] } ] }
JSON
  unset MARROWLIGHT_SIMBUS_STATE
  export MARROWLIGHT_SIMBUS="$run/bus.json" MARROWLIGHT_TIME_SCALE=0.1
}

xvfb_start() {
  "$run/marrowlight" "$@" >"$run/stdout.txt" 2>"$run/stderr.txt" &
  pid=$!
  log="$run/MarrowlightLog.txt"
}

fail() {
  echo "FAILED: $*"
  # What the run looked like then, for a failure that does not come again.
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program still runs; windows on $DISPLAY: $(xdotool search --onlyvisible --name . 2>/dev/null |
      while read -r id; do xdotool getwindowname "$id"; done | tr '\n' '|')"
    kill "$pid" 2>/dev/null || true
  else
    local status=0
    wait "$pid" 2>/dev/null || status=$?
    echo "the program has ended with status $status"
  fi
  kill -0 "$xvfb_pid" 2>/dev/null || echo "the X server $DISPLAY has ended"
  tail -n 20 "$run/stderr.txt" || true
  exit 1
}

window() {
  local found
  for _ in $(seq "$1"); do
    found="$(xdotool search --onlyvisible --name "$2" 2>/dev/null | grep -vx "${3:-none}" | head -n 1 || true)"
    [ -n "$found" ] && { echo "$found"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

logged() {
  for _ in $(seq "$1"); do
    grep -qE "$2" "$log" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}

quit_through_box() {
  local main="$1" box
  # File by its mnemonic, then its Quit item.
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  xdotool key alt+f
  sleep 0.3
  xdotool key q
  box="$(window 100 '^Marrowlight$' "$main")" || fail "Quit? did not appear"
  # The box is wide enough for its title: the window manager does not cut it.
  local width
  width="$(xdotool getwindowgeometry --shell "$box" | sed -n 's/^WIDTH=//p')"
  [ "$width" -ge 200 ] || fail "the Quit? box is only $width pixels wide: its title would be cut"
  xdotool mousemove --window "$box" 10 10
  sleep 0.3
  xdotool key Return
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program is still running after Quit? -> Yes"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "exit status $status"
}

# Waits for the running program's main window (main) and opens the item of
# its Option menu with the accelerator KEY: File is clicked, Right moves to
# Option. The window titled TITLE that opens is in opened.
open_from_option() {
  local key="$1" title="$2"
  main="$(window 600 '^Marrowlight( - simulated drives)?$')" || fail "no main window"
  sleep 1
  click "$main" 20 8
  xdotool key Right "$key"
  opened="$(window 300 "^$title\$")" || fail "Option > $title did not open \"$title\""
  sleep 0.5
}

start_pattern() {
  local bytes="$1" keys="$2"
  open_from_option w "Write pattern"
  dialog="$opened"
  # The dialog's controls stand at fixed places (its progress rows move 24
  # pixels at a time): "Change size..." at (360, 94), the list at (269, 154),
  # Start 288 pixels from its left edge and 23 from its bottom.
  click "$dialog" 360 94
  window 100 '^Volume Size$' >/dev/null || fail "\"Change size...\" did not open \"Volume Size\""
  sleep 0.3
  # The manual choice is checked for a pattern; OK has the focus, the byte
  # field stands before it.
  xdotool key shift+Tab ctrl+a
  xdotool type "$bytes"
  xdotool key Return
  sleep 0.5
  click "$dialog" 269 154
  # shellcheck disable=SC2086
  xdotool key Home $keys Return
  sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  click "$dialog" 288 $((HEIGHT - 23))
}
