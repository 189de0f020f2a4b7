# A desktop for the desktop tests, sourced by them: a private X server
# (Xvfb, on the display it picks itself) and a window manager, both ended
# with the script. Every wait polls with a time limit.
#
# The caller defines fail MESSAGE (prints and exits) before calling
# start_desktop.

work=$(mktemp -d)
background=()   # process groups to end on exit
cleanup_hooks=()
cleanup() {
  local hook pgid
  for hook in "${cleanup_hooks[@]}"; do "$hook"; done
  for pgid in "${background[@]}"; do kill -- "-$pgid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
started=$(now_ms)
log() { echo "[$(( $(now_ms) - started ))ms] $*"; }

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

# in_background COMMAND...: starts COMMAND in a process group of its own,
# ended on exit with everything it started.
in_background() {
  setsid "$@" &
  background+=($!)
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
  done
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# At the end: what the window manager and the X server said, when the
# window manager is not (or no longer) running.
show_desktop_logs_if_down() {
  wm_running && return
  echo "window manager output:"; sed 's/^/  /' "$work/wm.log" 2>/dev/null
  echo "X server output:"; sed 's/^/  /' "$work/xvfb.log" 2>/dev/null
}

# start_desktop WINDOW_MANAGER: Xvfb and then openbox, xfwm4, mutter or
# kwin_x11, with a fresh home folder; exports DISPLAY and HOME.
start_desktop() {
  local wm=$1
  require_tools Xvfb xprop "$wm"
  # -noreset: by default the server resets when its last client leaves, and
  # drops a client connecting meanwhile (the window manager, while xprop
  # polls for it).
  in_background Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp \
    3>"$work/display" 2>"$work/xvfb.log"
  has_display() { [ -s "$work/display" ]; }
  wait_for 20 "X server" has_display
  export DISPLAY=":$(head -n1 "$work/display")"
  log "X server on $DISPLAY"

  mkdir -p "$work/home/.config"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  unset XDG_RUNTIME_DIR QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
  case "$wm" in
    openbox)
      in_background openbox >"$work/wm.log" 2>&1 ;;
    xfwm4)
      # xfwm4 reads its settings over a session bus and exits without one:
      # it gets a private bus, and no accessibility bus. Its compositor
      # stays on, as on a Xfce desktop.
      require_tools dbus-run-session
      in_background env NO_AT_BRIDGE=1 dbus-run-session -- \
        xfwm4 --sm-client-disable >"$work/wm.log" 2>&1 ;;
    mutter)
      # GNOME's window manager, compositing, on a session bus of its own.
      require_tools dbus-run-session
      in_background env NO_AT_BRIDGE=1 dbus-run-session -- \
        mutter --x11 --replace --sm-disable >"$work/wm.log" 2>&1 ;;
    kwin_x11)
      # KDE's window manager with its default settings (compositing on),
      # on a session bus of its own.
      require_tools dbus-run-session
      in_background env NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb dbus-run-session -- \
        kwin_x11 --replace >"$work/wm.log" 2>&1 ;;
    *) fail "unknown window manager $wm" ;;
  esac
  cleanup_hooks+=(show_desktop_logs_if_down)
  wait_for 20 "window manager" wm_running
  log "$wm running"
}
