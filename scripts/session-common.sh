# What scripts/kwin-session.sh and scripts/gnome-session.sh share; sourced by both.
# A private Wayland session: its folder, HOME and runtime folder, session bus, and the
# command run inside it while the compositor may be restarted under it.

# Sets `dir` to the session's folder: $1 when given (kept afterwards, to look into),
# otherwise a new one under /tmp named after $2 (`made` set: it goes at the end).
session_folder() {
  made=""
  dir=$1
  [ -n "$dir" ] || { dir=$(mktemp -d "/tmp/kelvra-$2.XXXXXX") && made=1; }
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local limit=$(($1 * 10))
  shift
  for ((i = 0; i < limit; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# HOME, the XDG folders and the runtime folder inside `dir`, and a session bus of its own
# (`bus_pid`).
session_home_and_bus() {
  export HOME="$dir/home"
  export XDG_RUNTIME_DIR="$dir/runtime"
  export XDG_CONFIG_HOME="$HOME/.config"
  export XDG_DATA_HOME="$HOME/.local/share"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  # Xwayland puts its socket there.
  mkdir -p /tmp/.X11-unix 2>/dev/null && chmod 1777 /tmp/.X11-unix 2>/dev/null || true
  local bus_info
  bus_info=$(dbus-daemon --session --fork --address="unix:path=$dir/bus" --print-address=1 \
    --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus_info")
  bus_pid=$(sed -n 2p <<<"$bus_info")
}

# Runs the command given as arguments; SIGUSR1 to this script calls the function named in
# $1 (which restarts the compositor) meanwhile. Exits with the command's status.
run_in_session() {
  local restart=$1 command_pid status
  shift
  set +e
  "$@" &
  command_pid=$!
  trap "$restart" USR1
  # `wait` returns early for each restart asked for; the command's own end ends the loop.
  while :; do
    wait "$command_pid"
    status=$?
    kill -0 "$command_pid" 2>/dev/null || break
  done
  exit $status
}
