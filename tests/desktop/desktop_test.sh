#!/usr/bin/env bash
# Skerrow as a person uses it: a real X server (Xvfb) with a real window
# manager, real key presses and clicks (xdotool), the clipboard read back
# with xclip, window positions with xwininfo and the stacking order with
# xprop. Every step waits for what the user would see before acting, by
# polling with a time limit.
#
#   desktop_test.sh [--wm openbox|xfwm4|mutter|kwin_x11] [--repeat N]
#                   PROGRAM_FOLDER [SCENARIO...]
#
# Without scenarios all of them run (see the list at the end); --repeat
# runs each N times in a row.
set -uo pipefail

wm=openbox
repeat=1
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=${2:?window manager}; shift 2 ;;
    --repeat) repeat=${2:?count}; shift 2 ;;
    *) break ;;
  esac
done
program_dir=$(cd "${1:?program folder}" && pwd) || { echo "FAIL: no program folder $1"; exit 1; }
shift
program="$program_dir/Skerrow"
[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }

SEARCH="Skerrow! Batch File Search"
SPLASH="Skerrow!!"
RESULTS="Search Results"
STATISTICS="Statistics"
UNTITLED="Skerrow"  # help and progress have no title: the window manager shows the program's name
HELP=$UNTITLED
STARTS=10           # starts of the start-up and splash scenarios
# How long Quit may take to end a search; a build with the sanitizers is
# several times slower.
QUIT_LIMIT_MS=${QUIT_LIMIT_MS:-1000}

app=""
fail() {
  echo "FAIL ($wm): $*"
  if [ -n "${DISPLAY:-}" ]; then
    echo "windows shown:"
    for w in $(xdotool search --onlyvisible --class Skerrow 2>/dev/null); do
      echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
    done
    echo "active: '$(active_name)'"
    # SHOT_DIR=folder keeps a screenshot of the failure.
    [ -n "${SHOT_DIR:-}" ] && command -v import >/dev/null && import -window root "$SHOT_DIR/fail-$wm.png"
  fi
  [ -f "$work/app.log" ] && { echo "program output:"; sed 's/^/  /' "$work/app.log"; }
  exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/desktop_session.sh"
require_tools xdotool xclip xwininfo python3

stop_app() {
  [ -n "$app" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; app=""; }
}
cleanup_hooks+=(stop_app)

# ---- What the user sees ----

active_name() { xdotool getactivewindow getwindowname 2>/dev/null; }
active_is() { [ "$(active_name)" = "$1" ]; }
shown_windows() { xdotool search --onlyvisible --class Skerrow 2>/dev/null; }
# The id of the shown window of the program with that title.
shown_window() {
  local w
  for w in $(shown_windows); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
  done
  return 1
}
is_shown() { shown_window "$1" >/dev/null; }
is_hidden() { ! is_shown "$1"; }
shown_count() { shown_windows | wc -l; }
# The titles of the shown windows, sorted, one a line.
shown_titles() {
  local w
  for w in $(shown_windows); do xdotool getwindowname "$w" 2>/dev/null; done | sort
}
# expect_shown_exactly WHAT TITLE...: the program shows these windows and no other.
expect_shown_exactly() {
  local what=$1
  shift
  local want
  want=$(printf '%s\n' "$@" | sort)
  [ "$(shown_titles)" = "$want" ] || fail "after $what the windows shown are [$(shown_titles | paste -sd,)], not [$(paste -sd, <<<"$want")]"
}
clipboard() { xclip -o -selection "${1:-clipboard}" 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_has() { clipboard | grep -qF -- "$1"; }
has_no_owner() { ! xclip -o -selection "$1" >/dev/null 2>&1; }

# geometry WINDOW: sets gx, gy, gw, gh to the window's place and size on screen.
geometry() {
  local info
  info=$(xwininfo -id "$1") || fail "no window $1"
  gx=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  gy=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  gw=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
  gh=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
}
# click_in WINDOW X Y [BUTTON [COUNT]]: a click at X, Y of the window, by
# screen position (xdotool's --window placement was seen to land at X, Y of
# the screen under load). A synced move to where the pointer already is
# would wait for a motion that never comes.
click_in() {
  geometry "$1"
  local x=$(( gx + $2 )) y=$(( gy + $3 )) X Y
  eval "$(xdotool getmouselocation --shell | grep -E '^[XY]=')"
  [ "$X" -eq "$x" ] && [ "$Y" -eq "$y" ] || xdotool mousemove --sync "$x" "$y"
  xdotool click --repeat "${5:-1}" --delay 80 "${4:-1}"
}
# click_content WINDOW CONTENT_HEIGHT X Y [BUTTON [COUNT]]: the same at X, Y
# of the window's content, which sits below its menu bar.
click_content() {
  local w=$1 height=$2 x=$3 y=$4
  shift 4
  geometry "$w"
  click_in "$w" "$x" $(( gh - height + y )) "$@"
}

# ---- The program ----

# start_app [PROGRAM]: started in the home folder, where the folder dialogs open.
start_app() {
  (cd "$HOME" && exec "${1:-$program}") >"$work/app.log" 2>&1 &
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
# expect_running WHAT: the program has not ended.
expect_running() {
  if app_exited; then
    wait "$app"
    local code=$?
    app=""
    fail "the program ended after $1 (exit code $code$([ $code -gt 128 ] && echo ", signal $(kill -l $(( code - 128 )))"))"
  fi
}
start_search_window() {
  start_app "$@"
  wait_for 20 "active search window" active_is "$SEARCH"
  search=$(shown_window "$SEARCH")
}

# choose_folder SHORTCUT DIALOG_TITLE PATH: the folder dialog, given a path
# typed into its name field.
choose_folder() {
  xdotool key "$1"
  wait_for 10 "folder dialog '$2'" active_is "$2"
  xdotool type --delay 5 "$3"
  xdotool key Return
  wait_for 10 "search window back after the dialog '$2'" active_is "$SEARCH"
}
# search_for TREE DESTINATION QUERY: both folders set through the dialogs,
# the query typed into the query field and Return pressed in it.
search_for() {
  choose_folder ctrl+o "Search File Location" "$1"
  choose_folder ctrl+shift+o "Copy File Location" "$2"
  click_in "$search" 350 380
  xdotool key ctrl+a BackSpace
  xdotool type --delay 2 "$3"
  xdotool key Return
}

# make_png PATH WIDTH HEIGHT: a real picture.
make_png() { python3 "$(dirname "${BASH_SOURCE[0]}")/png.py" "$@"; }

# A small tree: two pictures, a text file; and a destination beside it.
small_tree() {
  [ -d "$work/small" ] && return
  mkdir -p "$work/small/a" "$work/small/b" "$work/dest"
  make_png "$work/small/a/p1.jpg" 64 48
  make_png "$work/small/b/p2.jpg" 48 64
  echo text >"$work/small/b/t1.jpg"
}

# ---- Scenarios ----

# Starts in a row: without any click, Ctrl+? opens the help, no window
# but the search and help windows is shown, and Ctrl+Q in the help window
# quits.
scenario_startup() {
  local run
  for run in $(seq "$STARTS"); do
    start_search_window
    xdotool key ctrl+question
    wait_for 10 "help window after Ctrl+? (start $run)" active_is "$HELP"
    expect_shown_exactly "Ctrl+? (start $run)" "$SEARCH" "$HELP"
    xdotool key ctrl+q
    expect_exit "Ctrl+Q in the help window (start $run)"
  done
  log "startup: $STARTS starts, Ctrl+? opened the help, no stray window, Ctrl+Q quit"
}

# Closing the splash before its timer fires (Alt+F4) brings up the search
# window at once, centred, once, and no other window; closing the search
# window quits.
scenario_splash_close() {
  local run shown_at waited
  for run in $(seq "$STARTS"); do
    start_app
    wait_for 20 "active splash window (start $run)" active_is "$SPLASH"
    shown_at=$(now_ms)
    xdotool key alt+F4
    wait_for 10 "search window after closing the splash (start $run)" is_shown "$SEARCH"
    waited=$(( $(now_ms) - shown_at ))
    [ "$waited" -lt 1500 ] || fail "the search window came after ${waited}ms: by the timer, not by the close"
    is_shown "$SPLASH" && fail "the splash is still shown"
    search=$(shown_window "$SEARCH")
    # Centred as the timer does it: the 702 x 493 content at 289, 265
    # (below the menu bar, which is part of the window).
    geometry "$search"
    [ "$gx" -eq 289 ] || fail "search window at x=$gx, not centred at 289"
    [ $(( gy + gh - 493 )) -eq 265 ] || fail "search window content at y=$(( gy + gh - 493 )), not centred at 265"
    wait_for 10 "active search window (start $run)" active_is "$SEARCH"
    # The help window shown after the search window's first activation:
    # anything else shown by then is a stray.
    xdotool key ctrl+question
    wait_for 10 "help window after Ctrl+? (start $run)" active_is "$HELP"
    expect_shown_exactly "closing the splash early (start $run)" "$SEARCH" "$HELP"
    xdotool key alt+F4
    wait_for 10 "active search window after closing the help (start $run)" active_is "$SEARCH"
    xdotool key alt+F4
    expect_exit "closing the search window (start $run)"
  done
  log "splash_close: $STARTS early closes brought the search window at once (last after ${waited}ms), no stray window"
}

# A folder dialog dismissed with Return, then "1" typed into the query
# field: it appears in the field and starts nothing. Then a search, and
# Edit > Copy in the statistics window.
scenario_dialog_search_copy() {
  : >"$HOME/1.jpg"
  start_search_window
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
  wait_for 20 "statistics window" is_shown "$STATISTICS"
  local statistics before
  statistics=$(shown_window "$STATISTICS")
  click_in "$statistics" 150 150
  wait_for 10 "active statistics window" active_is "$STATISTICS"
  xdotool key ctrl+a
  # Edit > Copy through the statistics window's own menu.
  before=$(shown_count)
  xdotool key alt+e
  menu_open() { [ "$(shown_count)" -gt "$before" ]; }
  wait_for 10 "the Edit menu" menu_open
  xdotool key c
  wait_for 10 "the statistics text on the clipboard" clipboard_has "1 Requested Files"
  clipboard_has "1 file have been found" || fail "clipboard holds '$(clipboard)'"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the statistics window"
  log "dialog_search_copy: Edit > Copy in the statistics window copied its text"
}

# field_holds TEXT WHAT: the query field holds TEXT (Select All and Copy,
# read back from the clipboard), and the program is still running.
field_holds() {
  xdotool key ctrl+a ctrl+c
  copied_or_ended() { app_exited || clipboard_is "$1"; }
  wait_for 10 "'$1' copied from the query field after $2" copied_or_ended "$1"
  expect_running "$2"
}

# A middle click in the query field while nothing owns the primary
# selection, and Ctrl+V once the program that put text on the clipboard
# has ended: the program goes on and the field is unchanged.
scenario_paste() {
  start_search_window
  click_in "$search" 350 380
  xdotool type --delay 30 abc
  has_no_owner primary || fail "the primary selection has an owner: '$(clipboard primary)'"
  click_in "$search" 350 380 2
  field_holds abc "a middle click with no primary selection"

  xdotool key End
  xclip -quiet -i -selection clipboard <<<"gone" >/dev/null 2>&1 &
  local copier=$!
  wait_for 10 "text put on the clipboard by xclip" clipboard_is gone
  kill "$copier"
  wait "$copier" 2>/dev/null
  # Some desktops keep what was on the clipboard when its owner quits
  # (mutter does): there Ctrl+V pastes it.
  sleep 0.5
  local kept=""
  has_no_owner clipboard || kept=$(clipboard)
  xdotool key ctrl+v
  # What the round trip copies is the field.
  field_holds "abc$kept" "Ctrl+V with $([ -n "$kept" ] && echo "the clipboard kept by the desktop" || echo "no clipboard owner")"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q after the pastes"
  log "paste: middle click and Ctrl+V with nothing to paste left the field as it was"
}

# close_by_wm TITLE: the window is activated with a click and closed with
# the window manager's Alt+F4.
close_by_wm() {
  local w
  w=$(shown_window "$1") || fail "no window '$1' to close"
  click_in "$w" 150 $(( $(xwininfo -id "$w" | awk '/^ *Height:/ {print $NF}') - 30 ))
  wait_for 10 "active '$1' window" active_is "$1"
  xdotool key alt+F4
  wait_for 10 "'$1' closed" is_hidden "$1"
}

# After a search, closing the results and statistics windows through the
# window manager, in either order, brings the search window back (and a
# window closed first stays closed); the second search starts from the
# search window brought back.
scenario_close_windows() {
  small_tree
  start_search_window
  search_for "$work/small" "$work/dest" "p1,p2"
  local first second
  for first in "$RESULTS" "$STATISTICS"; do
    second=$([ "$first" = "$RESULTS" ] && echo "$STATISTICS" || echo "$RESULTS")
    wait_for 20 "results window" is_shown "$RESULTS"
    wait_for 10 "statistics window" is_shown "$STATISTICS"
    close_by_wm "$first"
    expect_shown_exactly "closing '$first'" "$second"
    close_by_wm "$second"
    wait_for 10 "search window back after closing '$first' and then '$second'" is_shown "$SEARCH"
    wait_for 10 "active search window" active_is "$SEARCH"
    expect_shown_exactly "closing '$first' and then '$second'" "$SEARCH"
    # The next search, from the same query.
    click_in "$search" 350 380
    xdotool key End Return
  done
  wait_for 20 "results window of the last search" is_shown "$RESULTS"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q after closing the windows"
  log "close_windows: closing results and statistics (in either order) brought the search window back"
}

# Ctrl+Q in the progress window during a long search (100 names over
# 40,000 files) ends the program within a second (QUIT_LIMIT_MS), with
# exit code 0.
scenario_quit_during_search() {
  local d names quit_at gone
  mkdir -p "$work/big" "$work/dest"
  for d in $(seq 200); do
    mkdir "$work/big/d$d"
    (cd "$work/big/d$d" && touch $(seq -f 'f%g.jpg' 200))
  done
  names=$(seq -f 'n%g' 100 | paste -sd,)
  start_search_window
  search_for "$work/big" "$work/dest" "$names"
  wait_for 10 "search window hidden by the search" is_hidden "$SEARCH"
  wait_for 10 "active progress window" active_is "$UNTITLED"
  quit_at=$(now_ms)
  xdotool key ctrl+q
  # What the user sees end is the program's windows; a process built with
  # the sanitizers checks its memory after that before it exits.
  gone_or_late() { app_exited || [ "$(shown_count)" -eq 0 ] || [ $(( $(now_ms) - quit_at )) -gt "$QUIT_LIMIT_MS" ]; }
  wait_for 10 "end of the program or ${QUIT_LIMIT_MS}ms passed after Ctrl+Q" gone_or_late
  gone=$(( $(now_ms) - quit_at ))
  { app_exited || [ "$(shown_count)" -eq 0 ]; } && [ "$gone" -le "$QUIT_LIMIT_MS" ] ||
    fail "the program still showed [$(shown_titles | paste -sd,)] ${gone}ms after Ctrl+Q during the search"
  expect_exit "Ctrl+Q during the search"
  log "quit_during_search: Ctrl+Q ended the program after ${gone}ms (windows gone), exit after $(( $(now_ms) - quit_at ))ms"
}

# stacking_index WINDOW: its place in the stacking order, bottom first.
stacking_index() {
  local i=0 id
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | tr ' ' '\n' | grep '^0x'); do
    i=$(( i + 1 ))
    [ $(( id )) -eq "$1" ] && { echo "$i"; return 0; }
  done
  fail "window $1 is not in the stacking order"
}
# free_point WINDOW OTHER...: sets px, py to a point in the window's list
# area that no other window covers (with room for frames).
free_point() {
  local w=$1 o
  shift
  local rects=()
  for o in "$@"; do geometry "$o"; rects+=("$(( gx - 30 )) $(( gy - 40 )) $(( gx + gw + 30 )) $(( gy + gh + 30 ))"); done
  geometry "$w"
  local x y r covered
  for y in $(seq 60 30 360); do
    for x in $(seq 40 40 660); do
      covered=0
      for r in "${rects[@]}"; do
        read -r x0 y0 x1 y1 <<<"$r"
        (( gx + x >= x0 && gx + x <= x1 && gy + y >= y0 && gy + y <= y1 )) && covered=1
      done
      [ "$covered" -eq 0 ] && { px=$x; py=$y; return 0; }
    done
  done
  fail "every point of the results window is covered"
}

# After the first search of a process the results window is active; a
# picture previewed from it (double click) and the statistics window, both
# floating, stay above it after a click on it.
scenario_floating_focus() {
  small_tree
  start_search_window
  search_for "$work/small" "$work/dest" "p1,p2"
  wait_for 20 "results window" is_shown "$RESULTS"
  wait_for 10 "statistics window" is_shown "$STATISTICS"
  wait_for 5 "active results window after the first search" active_is "$RESULTS"
  log "floating_focus: the results window is active after the first search"

  local results statistics preview
  results=$(shown_window "$RESULTS")
  statistics=$(shown_window "$STATISTICS")
  # The first row: p1.jpg, the first name searched for.
  click_content "$results" 412 120 24 1 2
  wait_for 10 "preview of p1.jpg" is_shown "p1.jpg"
  preview=$(shown_window "p1.jpg")
  free_point "$results" "$preview" "$statistics"
  click_in "$results" "$px" "$py"
  wait_for 10 "active results window after a click on it" active_is "$RESULTS"
  is_shown "p1.jpg" || fail "the preview closed on a click on the results window"
  local r p s
  r=$(stacking_index "$results")
  p=$(stacking_index "$preview")
  s=$(stacking_index "$statistics")
  [ "$p" -gt "$r" ] || fail "the preview sank below the results window (stacking $(xprop -root _NET_CLIENT_LIST_STACKING))"
  [ "$s" -gt "$r" ] || fail "the statistics window sank below the results window (stacking $(xprop -root _NET_CLIENT_LIST_STACKING))"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the results window"
  log "floating_focus: preview and statistics stay above the results window after a click on it"
}

# Select All and Copy in the help window copy the document's text: a
# paragraph of 1,000 styled runs (3,999 characters), no line break added.
scenario_help_copy() {
  local copy="$work/program" expected runs i
  rm -rf "$copy"
  cp -r "$program_dir" "$copy"
  runs=()
  for i in $(seq 1000); do runs+=('{\b a}{\i b}c'); done
  printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Sans;}}\\f0\\fs24 %s}' "${runs[*]}" >"$copy/help.rtf"
  expected=$(printf 'abc %.0s' $(seq 1000))
  expected=${expected% }
  start_search_window "$copy/Skerrow"
  xdotool key ctrl+question
  wait_for 10 "help window after Ctrl+?" active_is "$HELP"
  # Again until the whole document has loaded (the window is placed at the
  # end of the load).
  copied() {
    click_in "$(shown_window "$HELP")" 300 300
    xdotool key ctrl+a ctrl+c
    sleep 0.2
    [ "$(clipboard | wc -c)" -ge ${#expected} ]
  }
  wait_for 20 "the help text on the clipboard" copied
  local got
  got=$(clipboard)
  [ "$got" = "$expected" ] ||
    fail "the copied help text ($(wc -c <<<"$got") bytes, $(tr -cd '\n' <<<"$got" | wc -c) line breaks) is not the document's text (${#expected} characters, one line)"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the help window"
  log "help_copy: Select All and Copy in the help window copied the document's text"
}

# The shown window of the program titled '' that is not the 424 x 92
# progress window: a message box.
message_box() {
  local w
  for w in $(shown_windows); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$UNTITLED" ] || continue
    geometry "$w"
    [ "$gw" -eq 424 ] && [ "$gh" -eq 92 ] && continue
    echo "$w"
    return 0
  done
  return 1
}
has_message_box() { message_box >/dev/null; }
# topmost_of_program: the id of the program's window highest in the
# stacking order.
topmost_of_program() {
  local id top=""
  local ours
  ours=" $(for w in $(shown_windows); do printf '%d ' "$w"; done)"
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | tr ' ' '\n' | grep '^0x'); do
    [[ "$ours" == *" $(( id )) "* ]] && top=$(( id ))
  done
  echo "$top"
}
active_id() { local a; a=$(xdotool getactivewindow 2>/dev/null) && echo "$a"; }

# An archive run: its closing message is the active window and the
# program's topmost from the moment it is shown; Return closes it, then
# the search window is back and active, and the copies and the report are
# in the destination.
scenario_archive() {
  small_tree
  rm -rf "$work/dest" && mkdir -p "$work/dest"
  start_search_window
  search_for "$work/small" "$work/dest" "p1,p2"
  wait_for 20 "results window" is_shown "$RESULTS"
  wait_for 10 "active results window" active_is "$RESULTS"
  xdotool key Return
  wait_for 10 "the closing message" has_message_box
  box_in_front_for 1000 "the closing message"
  xdotool key Return
  wait_for 10 "the closing message closed by Return" eval '! has_message_box'
  wait_for 10 "active search window after the archive" active_is "$SEARCH"
  expect_shown_exactly "the archive run" "$SEARCH"
  [ -f "$work/dest/p1.jpg" ] && [ -f "$work/dest/p2.jpg" ] && [ -f "$work/dest/Report.txt" ] ||
    fail "the destination holds [$(ls "$work/dest" | paste -sd,)] after the archive"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q after the archive"
  log "archive: the closing message was active and on top, Return closed it"
}

# box_in_front_for MS WHAT: the message box shown now stays the active
# window and the program's topmost for MS milliseconds.
box_in_front_for() {
  local box until
  box=$(message_box)
  box_in_front() { [ "$(active_id)" = "$box" ] && [ "$(topmost_of_program)" = "$box" ]; }
  wait_for 5 "$2 active and on top" box_in_front
  until=$(( $(now_ms) + $1 ))
  while [ "$(now_ms)" -lt "$until" ]; do
    box_in_front || fail "$2 lost the front: active '$(active_name)', stacking $(xprop -root _NET_CLIENT_LIST_STACKING)"
    sleep 0.05
  done
}

# A message box opened from the results window while the statistics
# window floats above it: the box is above both.
scenario_box_over_floating() {
  small_tree
  start_search_window
  search_for "$work/small" "$work/dest" "t1"
  wait_for 20 "results window" is_shown "$RESULTS"
  wait_for 10 "statistics window" is_shown "$STATISTICS"
  wait_for 10 "active results window" active_is "$RESULTS"
  local results
  results=$(shown_window "$RESULTS")
  click_content "$results" 412 120 24 1 2
  wait_for 10 "the message about image files" has_message_box
  box_in_front_for 1000 "the message about image files"
  # Clicks into the windows beneath it leave it in front.
  local statistics
  statistics=$(shown_window "$STATISTICS")
  free_point "$results" "$(message_box)" "$statistics"
  click_in "$results" "$px" "$py"
  box_in_front_for 1000 "the message about image files after a click into the results window"
  click_in "$statistics" 100 100
  box_in_front_for 1000 "the message about image files after a click into the statistics window"
  xdotool key Return
  wait_for 10 "the message closed by Return" eval '! has_message_box'
  wait_for 10 "active results window after the message" active_is "$RESULTS"
  xdotool key ctrl+q
  expect_exit "Ctrl+Q after the message"
  log "box_over_floating: the message was above the floating statistics window"
}

# place_of TITLE: "x y" of the shown window's content corner on screen.
place_of() {
  local w
  w=$(shown_window "$1") || fail "no window '$1'"
  geometry "$w"
  echo "$gx $gy"
}

# Windows shown again stand where they stood: the search window after the
# results window's Cancel, the results window on the next search, three
# times over.
scenario_show_again() {
  small_tree
  start_search_window
  local search_at results_at run now
  search_at=$(place_of "$SEARCH")
  search_for "$work/small" "$work/dest" "p1,p2"
  wait_for 20 "results window" is_shown "$RESULTS"
  wait_for 10 "active results window" active_is "$RESULTS"
  results_at=$(place_of "$RESULTS")
  for run in 1 2 3; do
    click_content "$(shown_window "$RESULTS")" 412 523 390
    wait_for 10 "active search window after Cancel (round $run)" active_is "$SEARCH"
    now=$(place_of "$SEARCH")
    [ "$now" = "$search_at" ] || fail "the search window came back at $now, not at $search_at (round $run)"
    click_in "$search" 350 380
    xdotool key End Return
    wait_for 20 "results window (round $run)" is_shown "$RESULTS"
    wait_for 10 "active results window (round $run)" active_is "$RESULTS"
    now=$(place_of "$RESULTS")
    [ "$now" = "$results_at" ] || fail "the results window came back at $now, not at $results_at (round $run)"
    # Moved by the user, it comes back at its new place.
    if [ "$run" -eq 2 ]; then
      xdotool windowmove "$(shown_window "$RESULTS")" 150 120
      moved() { [ "$(place_of "$RESULTS")" != "$results_at" ]; }
      wait_for 10 "the results window moved" moved
      sleep 0.3
      results_at=$(place_of "$RESULTS")
    fi
  done
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the results window"
  log "show_again: search window at $search_at and results window at $results_at each time"
}

# Floating windows stay above windows shown again: the help window (moved
# to the top left corner by the user) above the search window after the
# results window's Cancel and above the results window on the next search.
scenario_floating_over_shown_again() {
  small_tree
  start_search_window
  search_for "$work/small" "$work/dest" "p1,p2"
  wait_for 20 "results window" is_shown "$RESULTS"
  wait_for 10 "active results window" active_is "$RESULTS"
  xdotool key ctrl+question
  wait_for 10 "help window" active_is "$HELP"
  local help run
  help=$(shown_window "$HELP")
  xdotool windowmove "$help" 0 0
  cornered() { geometry "$help"; [ "$gx" -le 10 ] && [ "$gy" -le 60 ]; }
  wait_for 10 "help window in the corner" cornered
  help_above() {
    local w
    w=$(shown_window "$1") || fail "no window '$1'"
    [ "$(stacking_index "$help")" -gt "$(stacking_index "$w")" ] ||
      fail "the help window is below the '$1' window shown again, $2 (stacking $(xprop -root _NET_CLIENT_LIST_STACKING))"
  }
  for run in 1 2; do
    click_content "$(shown_window "$RESULTS")" 412 523 390
    wait_for 10 "active search window after Cancel (round $run)" active_is "$SEARCH"
    sleep 0.3
    help_above "$SEARCH" "after Cancel (round $run)"
    click_in "$search" 350 380
    xdotool key End Return
    wait_for 20 "results window (round $run)" is_shown "$RESULTS"
    wait_for 10 "active results window (round $run)" active_is "$RESULTS"
    sleep 0.3
    help_above "$RESULTS" "on the next search (round $run)"
  done
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the results window"
  log "floating_over_shown_again: the help window stayed above the search and results windows shown again"
}

# A folder dialog keeps the keys: a click on the search window beneath it
# gives the activation back to the dialog, and Escape then closes it.
scenario_dialog_keeps_keys() {
  start_search_window
  local run
  for run in 1 2 3; do
    xdotool key ctrl+o
    wait_for 10 "folder dialog (round $run)" active_is "Search File Location"
    geometry "$search"
    click_in "$search" 60 $(( gh - 15 ))
    sleep 0.5
    wait_for 5 "active folder dialog after a click on the search window (round $run)" active_is "Search File Location"
    xdotool key Escape
    wait_for 10 "search window after Escape in the dialog (round $run)" active_is "$SEARCH"
  done
  xdotool key ctrl+q
  expect_exit "Ctrl+Q in the search window"
  log "dialog_keeps_keys: the folder dialog was active again after each click on the search window"
}

# Another program's window: an xterm titled "other" at the top left.
start_other() {
  require_tools xterm
  xterm -T other -geometry 80x24+0+0 >/dev/null 2>&1 &
  other_pid=$!
  wait_for 20 "the other program's window" eval 'xdotool search --onlyvisible --name "^other$" >/dev/null'
  other=$(xdotool search --onlyvisible --name '^other$' | head -n1)
}
stop_other() { [ -n "${other_pid:-}" ] && { kill "$other_pid" 2>/dev/null; wait "$other_pid" 2>/dev/null; other_pid=""; }; }
cleanup_hooks+=(stop_other)
# windows_above WINDOW: the shown windows (of any program) above it in the
# stacking order.
windows_above() {
  local id seen=0
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | tr ' ' '\n' | grep '^0x'); do
    [ "$seen" -eq 1 ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && echo $(( id ))
    [ $(( id )) -eq "$1" ] && seen=1
  done
}
# click_uncovered WINDOW: a click at a point of the window's content that
# no window above it covers.
click_uncovered() {
  local w=$1 o x y r covered x0 y0 x1 y1
  local rects=()
  for o in $(windows_above "$w"); do
    geometry "$o"
    rects+=("$(( gx - 12 )) $(( gy - 45 )) $(( gx + gw + 12 )) $(( gy + gh + 12 ))")
  done
  geometry "$w"
  local wx=$gx wy=$gy ww=$gw wh=$gh
  for (( y = wh - 30; y >= 30; y -= 25 )); do
    for (( x = 30; x <= ww - 30; x += 25 )); do
      covered=0
      for r in "${rects[@]}"; do
        read -r x0 y0 x1 y1 <<<"$r"
        (( wx + x >= x0 && wx + x <= x1 && wy + y >= y0 && wy + y <= y1 )) && { covered=1; break; }
      done
      [ "$covered" -eq 0 ] && { click_in "$w" "$x" "$y"; return 0; }
    done
  done
  fail "every point of window $w is covered"
}
# activate_other: the other program's window activated with a click, and
# so raised over the program's windows.
activate_other() {
  click_in "$other" 40 40
  wait_for 10 "active other program" active_is other
}

# With another program's window raised over them, a click into the
# results, statistics and help windows (on the preview's title bar, since
# a click into a preview closes it) makes each the active window; meanwhile the floating windows stay above the results window and
# below the other program's window.
scenario_click_activates() {
  small_tree
  start_search_window
  search_for "$work/small" "$work/dest" "p1,p2"
  wait_for 20 "results window" is_shown "$RESULTS"
  wait_for 10 "active results window" active_is "$RESULTS"
  local results
  results=$(shown_window "$RESULTS")
  click_content "$results" 412 120 24 1 2
  wait_for 10 "preview of p1.jpg" is_shown "p1.jpg"
  click_uncovered "$results"
  wait_for 10 "active results window after a click" active_is "$RESULTS"
  xdotool key ctrl+question
  wait_for 10 "help window" active_is "$HELP"
  # Moved apart by the user, so that each shows some of itself.
  local help preview
  help=$(shown_window "$HELP")
  preview=$(shown_window "p1.jpg")
  xdotool windowmove "$help" 600 540 windowmove "$preview" 60 660
  moved_apart() { geometry "$help"; [ "$gx" -ge 590 ] && geometry "$preview" && [ "$gy" -ge 650 ]; }
  wait_for 10 "help and preview windows moved" moved_apart
  start_other
  local round title w s_other s_results s_w floating
  for round in 1 2; do
    for title in "$RESULTS" "$STATISTICS" "p1.jpg" "$HELP"; do
      activate_other
      s_other=$(stacking_index "$other")
      s_results=$(stacking_index "$results")
      for floating in "$STATISTICS" "p1.jpg" "$HELP"; do
        w=$(shown_window "$floating") || fail "the '$floating' window is not shown while the other program is active"
        s_w=$(stacking_index "$w")
        [ "$s_w" -gt "$s_results" ] || fail "'$floating' is below the results window (stacking $(xprop -root _NET_CLIENT_LIST_STACKING))"
        [ "$s_w" -lt "$s_other" ] || fail "'$floating' is above the other program's window (stacking $(xprop -root _NET_CLIENT_LIST_STACKING))"
      done
      w=$(shown_window "$title") || fail "no window '$title'"
      # A click into a preview closes it: the preview takes one on its
      # title bar.
      if [ "$title" = p1.jpg ]; then
        geometry "$w"
        click_in "$w" $(( gw / 3 )) -8
      else
        click_uncovered "$w"
      fi
      active_window_is() { [ "$(active_id)" = "$w" ]; }
      wait_for 10 "active '$title' window after a click into it (round $round)" active_window_is
    done
  done
  stop_other
  xdotool key ctrl+q
  expect_exit "Ctrl+Q"
  log "click_activates: a click made results, statistics, preview and help active, the floating windows stayed between"
}

ALL=(startup splash_close dialog_search_copy paste archive box_over_floating show_again floating_over_shown_again dialog_keeps_keys close_windows
     quit_during_search floating_focus click_activates help_copy)
[ $# -gt 0 ] && scenarios=("$@") || scenarios=("${ALL[@]}")
for s in "${scenarios[@]}"; do
  declare -F "scenario_$s" >/dev/null || fail "no scenario $s (there are: ${ALL[*]})"
done
start_desktop "$wm"
# Each scenario in a subshell of its own: a failure ends that scenario and
# its programs, and the next one goes on.
failed=()
runs=0
for s in "${scenarios[@]}"; do
  for (( run = 1; run <= repeat; run++ )); do
    log "scenario $s$([ "$repeat" -gt 1 ] && echo " (run $run of $repeat)")"
    runs=$(( runs + 1 ))
    ( trap 'stop_app; stop_other' EXIT; "scenario_$s" ) || failed+=("$s#$run")
  done
done
echo "$(( runs - ${#failed[@]} )) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ] || { echo "FAIL ($wm): ${failed[*]}"; exit 1; }
log "all passed"
