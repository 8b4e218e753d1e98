#!/usr/bin/env bash
# Starts a headless GNOME Shell Wayland session of its own (private session bus, an empty
# private "system" bus, runtime folder and HOME, Xwayland) with Kelvra's bridge extension
# installed and enabled; then runs COMMAND inside the session and stops everything it
# started when COMMAND ends. Exits with COMMAND's status.
#   scripts/gnome-session.sh [--dir DIR] [--size WxH] [--scale S] [--monitors N]
#                            [--stock] [--no-bridge] [--probe] [--free-workspace-keys DIRS]
#                            [--] COMMAND [ARGS...]
# --size is each virtual monitor's size in logical pixels (1440x900); --monitors N starts N
# of them side by side; --scale S (an integer) scales every monitor (its pixels are then
# S times the size).
# --stock keeps mutter's own edge tiling on, as GNOME comes (XDG_CURRENT_DESKTOP=GNOME). --no-bridge installs the bridge but leaves it
# disabled (a user who has not logged in again since Kelvra installed it).
# --probe adds the tests' read-only window probe (tests/bridges/gnome/probe).
# --free-workspace-keys left,right,... empties GNOME's own Ctrl+Alt+arrow workspace switches
# in those directions (Kelvra's default halves use the same keys), as a user would.
# Inside COMMAND: DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY, DISPLAY and XAUTHORITY
# (Xwayland), XDG_RUNTIME_DIR and HOME point at the session; KELVRA_SHELL_LOG is the shell's
# output.
# The shell restarting mid-run: SIGUSR1 to KELVRA_SESSION_PID kills it and starts it again on
# the same buses; KELVRA_SHELL_STARTS counts in a file how often it came up.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=""
size=1440x900
scale=1
monitors=1
stock=""
bridge=1
probe=""
free_keys=""
while [ $# -gt 0 ]; do
  case "$1" in
  --dir) dir=$2; shift 2 ;;
  --size) size=$2; shift 2 ;;
  --scale) scale=$2; shift 2 ;;
  --monitors) monitors=$2; shift 2 ;;
  --stock) stock=1; shift ;;
  --no-bridge) bridge=""; shift ;;
  --probe) probe=1; shift ;;
  --free-workspace-keys) free_keys=$2; shift 2 ;;
  --) shift; break ;;
  *) break ;;
  esac
done
[ $# -gt 0 ] || { sed -n 's/^#  //p' "$0" | head -2 >&2; exit 2; }
source "$root/scripts/session-common.sh"
session_folder "$dir" gnome

bus_pid=""
system_bus_pid=""
shell_pid=""
cleanup() {
  [ -n "$shell_pid" ] && kill "$shell_pid" 2>/dev/null && wait "$shell_pid" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  [ -n "$system_bus_pid" ] && kill "$system_bus_pid" 2>/dev/null
  [ -n "$made" ] && rm -rf "$dir"
  return 0
}
trap cleanup EXIT

session_home_and_bus
unset DISPLAY XAUTHORITY

# The shell gives up when it cannot reach logind on the system bus; an empty bus of our
# own answers "no such service" instead, which it survives.
cat >"$dir/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
bus_info=$(dbus-daemon --config-file="$dir/system-bus.conf" --fork --print-address=1 \
  --print-pid=1)
export DBUS_SYSTEM_BUS_ADDRESS=$(sed -n 1p <<<"$bus_info")
system_bus_pid=$(sed -n 2p <<<"$bus_info")

# Extensions: copied into this HOME and enabled in GSettings before the shell starts (a
# running Wayland shell never loads an extension that was new when it started).
extensions="$XDG_DATA_HOME/gnome-shell/extensions"
mkdir -p "$extensions"
"$root/scripts/bridge-package.sh" gnome-43 "$extensions/kelvra-bridge@orvane.com"
enabled=()
[ -n "$bridge" ] && enabled+=("'kelvra-bridge@orvane.com'")
if [ -n "$probe" ]; then
  cp -r "$root/tests/bridges/gnome/probe" "$extensions/kelvra-probe@orvane.com"
  enabled+=("'kelvra-probe@orvane.com'")
fi
gsettings set org.gnome.shell enabled-extensions "[$(IFS=,; echo "${enabled[*]}")]"
gsettings set org.gnome.shell disable-user-extensions false
# Mutter's own drag snapping would fight Kelvra's: off unless --stock. GNOME's defaults
# for mutter (edge tiling on among them) hold where the session names its desktop GNOME, as
# a GNOME login does: --stock names it so. No screen lock or idle dimming to stall a long
# run.
[ -n "$stock" ] || gsettings set org.gnome.mutter edge-tiling false
[ -z "$stock" ] || export XDG_CURRENT_DESKTOP=GNOME
for direction in ${free_keys//,/ }; do
  gsettings set org.gnome.desktop.wm.keybindings "switch-to-workspace-$direction" "[]"
done
gsettings set org.gnome.desktop.screensaver lock-enabled false
# The tests' pointer passes the top-left corner, which would open the Overview.
gsettings set org.gnome.desktop.interface enable-hot-corners false
gsettings set org.gnome.desktop.session idle-delay 0
[ "$scale" = 1 ] || gsettings set org.gnome.mutter experimental-features \
  "['scale-monitor-framebuffer']"

export WAYLAND_DISPLAY=kelvra-gnome
export KELVRA_SHELL_LOG="$dir/shell.log"
export KELVRA_SHELL_STARTS="$dir/shell-starts"
export KELVRA_SESSION_PID=$$
: >"$KELVRA_SHELL_LOG"

shell_call() {
  gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell "$@"
}

# Scales every monitor through mutter's display configuration (for this session only).
apply_scale() {
  /usr/bin/python3 - "$scale" <<'EOF'
import sys
import dbus
scale = float(sys.argv[1])
config = dbus.Interface(dbus.SessionBus().get_object("org.gnome.Mutter.DisplayConfig",
                                                     "/org/gnome/Mutter/DisplayConfig"),
                        "org.gnome.Mutter.DisplayConfig")
serial, monitors, _, _ = config.GetCurrentState()
x = 0
logical = []
for (connector, _, _, _), modes, _ in monitors:
    mode = next(m for m in modes if m[6].get("is-current"))
    logical.append(dbus.Struct((x, 0, scale, dbus.UInt32(0), len(logical) == 0,
                                [dbus.Struct((connector, mode[0], {}), signature=None)]),
                               signature=None))
    x += int(mode[1] / scale)
config.ApplyMonitorsConfig(serial, dbus.UInt32(1), logical, {})
EOF
}

xwayland_display() {
  sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$KELVRA_SHELL_LOG" | tail -1 | grep .
}

start_shell() {
  local options=() i
  local physical="$((${size%x*} * scale))x$((${size#*x} * scale))"
  for ((i = 0; i < monitors; i++)); do options+=(--virtual-monitor "$physical"); done
  # The shell leaves this mark while it starts; finding it, the next start takes the last
  # one for a crash and leaves every extension off.
  rm -f "$XDG_RUNTIME_DIR/gnome-shell-disable-extensions"
  gnome-shell --headless --wayland --wayland-display "$WAYLAND_DISPLAY" "${options[@]}" \
    >>"$KELVRA_SHELL_LOG" 2>&1 &
  shell_pid=$!
  if ! wait_for 60 shell_call --method org.freedesktop.DBus.Peer.Ping; then
    echo "gnome-session: the shell did not start; its output:" >&2
    cat "$KELVRA_SHELL_LOG" >&2
    return 1
  fi
  # It starts in the Overview, which would take every click and key.
  wait_for 30 shell_call --method org.freedesktop.DBus.Properties.Set org.gnome.Shell \
    OverviewActive '<false>' || true
  if [ "$scale" != 1 ]; then
    wait_for 10 apply_scale || echo "gnome-session: could not scale the monitors" >&2
  fi
  if wait_for 10 xwayland_display; then
    DISPLAY=$(xwayland_display)
    XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
    export DISPLAY XAUTHORITY
  fi
  echo "$shell_pid" >>"$KELVRA_SHELL_STARTS"
}

restart_shell() {
  local xwayland
  xwayland=$(pgrep -P "$shell_pid" -x Xwayland || true)
  kill -KILL "$shell_pid" 2>/dev/null
  wait "$shell_pid" 2>/dev/null
  [ -n "$xwayland" ] && kill -KILL "$xwayland" 2>/dev/null
  start_shell || echo "gnome-session: the shell did not come back" >&2
}

start_shell || exit 1

run_in_session restart_shell "$@"
