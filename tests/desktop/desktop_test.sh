#!/usr/bin/env bash
# Skerrow as a person uses it: a real X server (Xvfb) with a real window
# manager (openbox), real key presses and clicks (xdotool), the clipboard
# read back with xclip and window positions with xwininfo. Every step waits
# for what the user would see before acting, by polling with a time limit.
#
#   desktop_test.sh PROGRAM_FOLDER
set -uo pipefail

program="${1:?program folder}/Skerrow"
for tool in Xvfb openbox xdotool xclip xwininfo; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }

work=$(mktemp -d)
background=()
app=""
stop_app() {
  [ -n "$app" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; app=""; }
}
cleanup() {
  stop_app
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

SEARCH="Skerrow! Batch File Search"
SPLASH="Skerrow!!"
HELP="Skerrow"  # the help window has no title: the window manager shows the program's name

now_ms() { date +%s%3N; }
log() { echo "[$(( $(now_ms) - started ))ms] $*"; }

fail() {
  echo "FAIL: $*"
  echo "windows shown:"
  for w in $(xdotool search --onlyvisible --class Skerrow 2>/dev/null); do
    echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
  done
  echo "active: '$(active_name)'"
  [ -f "$work/app.log" ] && { echo "program output:"; sed 's/^/  /' "$work/app.log"; }
  exit 1
}

# wait_for SECONDS WHAT COMMAND...: polls COMMAND every 50 ms.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local deadline=$(( $(now_ms) + limit * 1000 ))
  until "$@"; do
    [ "$(now_ms)" -ge "$deadline" ] && fail "no $what within ${limit}s"
    sleep 0.05
  done
}

active_name() { xdotool getactivewindow getwindowname 2>/dev/null; }
active_is() { [ "$(active_name)" = "$1" ]; }
# The id of the shown window of the program with that title.
shown_window() {
  local w
  for w in $(xdotool search --onlyvisible --class Skerrow 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
  done
  return 1
}
is_shown() { shown_window "$1" >/dev/null; }
shown_count() { xdotool search --onlyvisible --class Skerrow 2>/dev/null | wc -l; }
clipboard() { xclip -o -selection clipboard 2>/dev/null; }
# click_in WINDOW X Y: a click at X, Y of the window, by screen position
# (xdotool's --window placement was seen to land at X, Y of the screen
# under load).
click_in() {
  local geometry x y
  geometry=$(xwininfo -id "$1") || fail "no window $1 to click in"
  x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$geometry")
  y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$geometry")
  xdotool mousemove --sync $(( x + $2 )) $(( y + $3 )) click 1
}
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_has() { clipboard | grep -qF -- "$1"; }

# ---- The X server and the window manager ----

started=$(now_ms)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
background+=($!)
has_display() { [ -s "$work/display" ]; }
wait_for 20 "X server" has_display
export DISPLAY=":$(head -n1 "$work/display")"
log "X server on $DISPLAY"

mkdir -p "$work/home/.config"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
unset XDG_RUNTIME_DIR QT_QPA_PLATFORM WAYLAND_DISPLAY
openbox --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
background+=($!)
wm_ready() { [ -e "$work/wm-ready" ]; }
wait_for 20 "window manager" wm_ready
log "openbox running"

# ---- The program ----

start_app() {
  "$program" >"$work/app.log" 2>&1 &
  app=$!
}
app_exited() {
  local state
  { read -r _ _ state _ <"/proc/$app/stat"; } 2>/dev/null || return 0
  [ "$state" = Z ]
}
# expect_exit WHAT: the program ends, with exit code 0.
expect_exit() {
  wait_for 10 "end of the program after $1" app_exited
  wait "$app"
  local code=$?
  [ "$code" -eq 0 ] || fail "exit code $code after $1"
  app=""
}
# 1. Five starts in a row: without any click, Ctrl+? opens the help, and
#    Ctrl+Q in the help window quits.
for run in 1 2 3 4 5; do
  start_app
  wait_for 20 "active search window (start $run)" active_is "$SEARCH"
  xdotool key ctrl+question
  wait_for 10 "help window after Ctrl+? (start $run)" active_is "$HELP"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the help window (start $run)"
  log "start $run: Ctrl+? opened the help, Ctrl+Q quit"
done

# 2. Closing the splash before its timer fires (Alt+F4) brings up the
#    search window at once, centred, once.
start_app
wait_for 20 "active splash window" active_is "$SPLASH"
shown_at=$(now_ms)
xdotool key alt+F4
wait_for 10 "search window after closing the splash" is_shown "$SEARCH"
waited=$(( $(now_ms) - shown_at ))
[ "$waited" -lt 1500 ] || fail "the search window came after ${waited}ms: by the timer, not by the close"
is_shown "$SPLASH" && fail "the splash is still shown"
search=$(shown_window "$SEARCH")
# Centred as the timer does it: the 702 x 493 content at 289, 265 (below
# the menu bar, which is part of the window).
geometry=$(xwininfo -id "$search")
x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$geometry")
y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$geometry")
height=$(awk '/^ *Height:/ {print $NF}' <<<"$geometry")
[ "$x" -eq 289 ] || fail "search window at x=$x, not centred at 289"
[ $(( y + height - 493 )) -eq 265 ] || fail "search window content at y=$(( y + height - 493 )), not centred at 265"
wait_for 10 "active search window" active_is "$SEARCH"
[ "$(shown_count)" -eq 1 ] || fail "more than the search window shown"
xdotool key alt+F4
expect_exit "closing the search window"
log "closing the splash early brought the search window (after ${waited}ms)"

# 3. A folder dialog dismissed with Return, then "1" typed into the query
#    field: it appears in the field and starts nothing. Then a search, and
#    Edit > Copy in the statistics window.
: >"$HOME/1.jpg"
start_app
wait_for 20 "active search window" active_is "$SEARCH"
search=$(shown_window "$SEARCH")
xdotool key ctrl+o
wait_for 10 "search folder dialog" active_is "Search File Location"
xdotool key Return
wait_for 10 "search window back after the dialog" active_is "$SEARCH"
click_in "$search" 350 380
xdotool type --delay 30 1
# Select All and Copy of the Edit menu, by their shortcuts.
xdotool key ctrl+a ctrl+c
wait_for 10 "'1' in the query field (copied)" clipboard_is 1
[ "$(shown_count)" -eq 1 ] || fail "typing 1 started something"
active_is "$SEARCH" || fail "typing 1 took the search window out of the front"
log "Return in the folder dialog, then 1 typed: in the field, nothing started"

xdotool key ctrl+shift+o
wait_for 10 "destination dialog" active_is "Copy File Location"
xdotool key Return
wait_for 10 "search window back after the dialog" active_is "$SEARCH"
click_in "$search" 350 380
xdotool key End Return
wait_for 20 "statistics window" is_shown "Statistics"
statistics=$(shown_window "Statistics")
click_in "$statistics" 150 150
wait_for 10 "active statistics window" active_is "Statistics"
xdotool key ctrl+a
# Edit > Copy through the statistics window's own menu.
before=$(shown_count)
xdotool key alt+e
menu_open() { [ "$(shown_count)" -gt "$before" ]; }
wait_for 10 "the Edit menu" menu_open
xdotool key c
wait_for 10 "the statistics text on the clipboard" clipboard_has "1 Requested Files"
clipboard_has "1 file have been found" || fail "clipboard holds '$(clipboard)'"
log "Edit > Copy in the statistics window copied its text"
xdotool key ctrl+q
expect_exit "Ctrl+Q in the statistics window"

log "all passed"
