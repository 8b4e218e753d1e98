#!/usr/bin/env bash
# Starts a headless KWin Wayland session of its own (private session bus, runtime
# folder and HOME, Xwayland, no screen locker) with Kelvra's bridge script installed and
# enabled; then runs COMMAND inside the session and stops everything it started when
# COMMAND ends. Exits with COMMAND's status.
#   scripts/kwin-session.sh [--dir DIR] [--scale S] [--outputs N] [--fake-input TOOL]
#                           [--stock] [--screenshots] [--] COMMAND [ARGS...]
# --stock keeps KWin's own settings as they come (its edge snapping on).
# --wrapper starts KWin as a Plasma session does, through kwin_wayland_wrapper, which
# holds the socket and starts KWin again after a crash.
# --fake-input names the program that may send input through KWin's fake-input protocol
# (KELVRA_FAKE_INPUT inside the session).
# --screenshots lets /usr/bin/python3 take screenshots through KWin's ScreenShot2 interface
# (a desktop file grants it; KWin's own check is switched off in this private session).
# Inside COMMAND: DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY, DISPLAY (Xwayland),
# XDG_RUNTIME_DIR and HOME point at the session; KELVRA_KWIN_LOG is KWin's output.
# KWin restarting mid-run: SIGUSR1 to KELVRA_SESSION_PID kills KWin and starts it again on
# the same session bus and socket (as a crash and the session's restart of it would);
# KELVRA_KWIN_STARTS counts in a file how often KWin came up, the new one's output is
# appended to KELVRA_KWIN_LOG.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=""
scale=1
outputs=1
fake_input=""
stock=""
screenshots=""
wrapper=""
while [ $# -gt 0 ]; do
  case "$1" in
  --dir) dir=$2; shift 2 ;;
  --scale) scale=$2; shift 2 ;;
  --outputs) outputs=$2; shift 2 ;;
  --fake-input) fake_input=$(realpath "$2"); shift 2 ;;
  --stock) stock=1; shift ;;
  --screenshots) screenshots=1; shift ;;
  --wrapper) wrapper=1; shift ;;
  --) shift; break ;;
  *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--dir DIR] [--scale S] [--outputs N] [--fake-input TOOL] [--] COMMAND [ARGS...]" >&2; exit 2; }
source "$root/scripts/session-common.sh"
session_folder "$dir" kwin

bus_pid=""
kwin_pid=""
cleanup() {
  [ -n "$kwin_pid" ] && kill "$kwin_pid" 2>/dev/null && wait "$kwin_pid" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  [ -n "$made" ] && rm -rf "$dir"
  return 0
}
trap cleanup EXIT

session_home_and_bus

# The bridge, installed as this HOME's KWin script and enabled. Before KWin starts: a
# running KWin 5.27 keeps the package list it read first, so a package installed later
# stays unseen by enabling and reconfiguring (loading it by path through
# org.kde.kwin.Scripting.loadScript still works). KWin's own drag snapping would fight
# Kelvra's: off unless --stock.
scripts="$XDG_DATA_HOME/kwin/scripts"
mkdir -p "$scripts"
rm -rf "$scripts/kelvra-bridge"
"$root/scripts/bridge-package.sh" kwin "$scripts/kelvra-bridge"
cat >"$XDG_CONFIG_HOME/kwinrc" <<'EOF'
[Plugins]
kelvra-bridgeEnabled=true
EOF
[ -n "$stock" ] || cat >>"$XDG_CONFIG_HOME/kwinrc" <<'EOF'

[Windows]
ElectricBorderTiling=false
ElectricBorderMaximize=false
EOF

# KWin lets a program use fake input only when a desktop file names it.
if [ -n "$fake_input" ]; then
  mkdir -p "$XDG_DATA_HOME/applications"
  cat >"$XDG_DATA_HOME/applications/kelvra-fake-input.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Kelvra test input
Exec=$fake_input
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
EOF
  export KELVRA_FAKE_INPUT=$fake_input
fi

if [ -n "$screenshots" ]; then
  mkdir -p "$XDG_DATA_HOME/applications"
  cat >"$XDG_DATA_HOME/applications/kelvra-screenshots.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Kelvra screenshots
Exec=$(realpath /usr/bin/python3)
NoDisplay=true
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
EOF
  # KWin looks the grant up in the desktop-file cache, which only this builds.
  kbuildsycoca5 >/dev/null 2>&1 || true
  # The grant alone held in one run of three here: this private session also turns KWin's
  # check off, so that taking the pictures again never depends on it.
  export KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1
fi

# The installed binary carries a file capability that containers often refuse; a plain
# copy has none and runs.
cp /usr/bin/kwin_wayland "$dir/kwin_wayland"
export WAYLAND_DISPLAY=kelvra-kwin
export KELVRA_KWIN_LOG="$dir/kwin.log"
export KELVRA_KWIN_STARTS="$dir/kwin-starts"
export KELVRA_SESSION_PID=$$
: >"$KELVRA_KWIN_LOG"

# Xwayland's display: the number of the Xwayland child KWin started.
xwayland_display() {
  local pid
  pid=$(pgrep -P "$(kwin_process)" -x Xwayland) || return 1
  tr '\0' '\n' </proc/"$pid"/cmdline | grep -m1 '^:[0-9]'
}

# The KWin process now running (under the wrapper, its child).
kwin_process() {
  if [ -n "$wrapper" ]; then pgrep -P "$kwin_pid" -x kwin_wayland; else echo "$kwin_pid"; fi
}

start_kwin() {
  local options=(--virtual --xwayland --no-lockscreen --socket "$WAYLAND_DISPLAY"
    --width 1440 --height 900 --scale "$scale" --output-count "$outputs")
  if [ -n "$wrapper" ]; then
    # The wrapper finds kwin_wayland on the PATH (the copy above) and names the socket
    # itself: the first free name in this private runtime folder. Xwayland's clients need
    # the authority file it writes there.
    PATH="$dir:$PATH" kwin_wayland_wrapper "${options[@]}" >>"$KELVRA_KWIN_LOG" 2>&1 &
    export WAYLAND_DISPLAY=wayland-0
  else
    "$dir/kwin_wayland" "${options[@]}" >>"$KELVRA_KWIN_LOG" 2>&1 &
  fi
  kwin_pid=$!
  if ! wait_for 30 dbus-send --session --print-reply --dest=org.kde.KWin /KWin \
    org.freedesktop.DBus.Peer.Ping; then
    echo "kwin-session: KWin did not start; its output:" >&2
    cat "$KELVRA_KWIN_LOG" >&2
    return 1
  fi
  if wait_for 10 xwayland_display; then
    DISPLAY=$(xwayland_display)
    export DISPLAY
    if [ -n "$wrapper" ]; then
      XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/xauth_* 2>/dev/null | head -1)
      export XAUTHORITY
    fi
  fi
  echo "$kwin_pid" >>"$KELVRA_KWIN_STARTS"
}

restart_kwin() {
  local xwayland kwin
  if [ -n "$wrapper" ]; then
    # A crash: the wrapper keeps the socket and starts KWin again by itself.
    kwin=$(kwin_process || true)
    [ -n "$kwin" ] && kill -KILL "$kwin" 2>/dev/null
    wait_for 30 bash -c "pgrep -P $kwin_pid -x kwin_wayland | grep -vx '$kwin'" ||
      echo "kwin-session: the wrapper did not start KWin again" >&2
    wait_for 30 dbus-send --session --print-reply --dest=org.kde.KWin /KWin \
      org.freedesktop.DBus.Peer.Ping || echo "kwin-session: KWin did not come back" >&2
    echo "$(kwin_process)" >>"$KELVRA_KWIN_STARTS"
    return
  fi
  xwayland=$(pgrep -P "$kwin_pid" -x Xwayland || true)
  kill -KILL "$kwin_pid" 2>/dev/null
  wait "$kwin_pid" 2>/dev/null
  # Its Xwayland would outlive it; its socket file stays behind, as after a crash.
  [ -n "$xwayland" ] && kill -KILL "$xwayland" 2>/dev/null
  start_kwin || echo "kwin-session: KWin did not come back" >&2
}

start_kwin || exit 1

run_in_session restart_kwin "$@"
