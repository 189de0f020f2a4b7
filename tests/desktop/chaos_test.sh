#!/usr/bin/env bash
# Random real clicks, drags, keys and pastes against the program for a
# while, mixed with searches, previews, archive runs and help loads made on
# purpose (see chaos.py), on Xvfb with a window manager. Run in the
# sanitizer build.
#
#   chaos_test.sh [--wm openbox|xfwm4|mutter|kwin_x11] [--keep-going] PROGRAM_FOLDER [SECONDS]
#
# CHAOS_SEED=N replays the choices of an earlier run; without it the seed
# is random and printed. --keep-going reports each failure and goes on with
# a new start until the time is up (for long runs by hand);
# CHAOS_TRACE=FILE writes every event to FILE as it happens. A run of 60 s
# or more goes on past SECONDS until it has reached its result windows,
# archive runs, previews and help loads, and fails when it has not within
# four times SECONDS.
set -uo pipefail

wm=openbox
if [ "${1:-}" = "--wm" ]; then
  wm=${2:?window manager}
  shift 2
fi
keep_going=()
if [ "${1:-}" = "--keep-going" ]; then
  keep_going=(--keep-going)
  shift
fi
program_dir=$(cd "${1:?program folder}" && pwd) || { echo "FAIL: no program folder $1"; exit 1; }
seconds=${2:-120}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() { echo "FAIL ($wm): $*"; exit 1; }
source "$here/desktop_session.sh"
# Debian's python, which has the X library.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"
require_tools setpriv xclip

start_desktop "$wm"
chmod 755 "$work"  # the program may run as another user
"$python" "$here/chaos.py" --program "$program_dir" --work "$work" --seconds "$seconds" "${keep_going[@]}" \
  --lsan-suppressions "$here/../lsan.supp"
