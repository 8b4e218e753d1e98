#!/usr/bin/env bash
# `make run`: runs Kelvra from the build folder given as the first argument.
# With a usable X display it runs there, in the foreground. Without one it starts a
# private virtual desktop (Xvfb, openbox, a tray, two terminals), runs Kelvra there
# with fresh settings, drives a short tour with real key presses and real drags, prints
# every window's frame before and after each step, saves screenshots to <build>/tour*.png
# (the arranged windows, the preview during a drag, the zone picker, the snap-assist
# cards, the tray menu),
# stops everything it started and exits.
set -euo pipefail

build="${1:-build}"
kelvra="$build/src/kelvra"
keys="$build/tools/kelvra-keys"
for tool in "$kelvra" "$keys"; do
  [ -x "$tool" ] || { echo "run.sh: $tool is missing; build first" >&2; exit 1; }
done

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$kelvra"
fi

echo "No X display: touring Kelvra on a private virtual desktop."
work="$(mktemp -d)"
pids=()
cleanup() {
  # Newest first: Kelvra and the clients before the window manager and the server.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[$i]}" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and tells it through the descriptor.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "run.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# Fresh settings and runtime folders: the tour never touches the user's own.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME/kelvra" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# Onboarding done, so that the shortcuts work from the start.
printf '{\n  "hasCompletedOnboarding": true\n}\n' >"$XDG_CONFIG_HOME/kelvra/com.orvane.Kelvra.json"

# Openbox's stock key bindings take Ctrl+Alt+arrows for itself; the tour's window
# manager binds only the mouse, as a window manager without conflicting keys would.
cat >"$work/openbox.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <desktops><number>1</number></desktops>
  <mouse>
    <dragThreshold>1</dragThreshold>
    <context name="Titlebar">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Left" action="Drag"><action name="Move"/></mousebind>
    </context>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
</openbox_config>
XML
openbox --config-file "$work/openbox.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
# A compositing manager, as desktops have, so that Kelvra's translucent preview blends
# with the windows beneath (without one it shows only its outline).
xcompmgr >"$work/xcompmgr.log" 2>&1 &
pids+=($!)

# A system tray at the bottom edge, where Kelvra's icon goes.
trayer --edge bottom --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
pids+=($!)

xterm -T left -geometry 70x20+60+80 -e sleep 600 2>/dev/null &
pids+=($!)
xterm -T right -geometry 70x20+500+300 -e sleep 600 2>/dev/null &
pids+=($!)
fail() { echo "run.sh: $*" >&2; exit 1; }
"$keys" wait-window left 10 || fail "the terminal windows did not appear"
"$keys" wait-window right 10 || fail "the terminal windows did not appear"

"$kelvra" >"$work/kelvra.log" 2>&1 &
kelvra_pid=$!
pids+=("$kelvra_pid")
sleep 2
kill -0 "$kelvra_pid" 2>/dev/null || { cat "$work/kelvra.log" >&2; fail "Kelvra did not start"; }

frames() { "$keys" frames | sed 's/^/    /'; }
step() {
  local title="$1"; shift
  echo "== $title"
  echo "  before:"; frames
  "$@"
  sleep 0.8
  echo "  after:"; frames
}

wmctrl -a right
step "Ctrl+Alt+Left: left half" "$keys" key ctrl+alt+Left
step "Ctrl+Alt+Left again: the next width of the cycle" "$keys" key ctrl+alt+Left
step "Ctrl+Alt+Return: maximize" "$keys" key ctrl+alt+Return
step "Ctrl+Alt+C: centre" "$keys" key ctrl+alt+c
step "Ctrl+Alt+Backspace: restore" "$keys" key ctrl+alt+BackSpace
wmctrl -a left
step "Ctrl+Alt+I: top-right quarter of the other window" "$keys" key ctrl+alt+i
read -r _ x y w _ < <("$keys" frames | grep ' left$')
step "Dragging 'left' by its title bar to the right edge" \
  "$keys" drag $((x + w / 2)) $((y - 10)) 1279 400 30

# Each snap into a half, third or quarter offers the other window for the rest of the
# screen; Escape closes that offer so the windows beneath stay in view and reachable.
"$keys" key Escape
sleep 0.3
import -window root "$build/tour.png"
echo "Screenshot: $build/tour.png"

# A drag held at the top-left corner: the preview of the quarter shows under the cursor.
echo "== Dragging 'right' to the top-left corner and holding it there"
read -r _ x y w _ < <("$keys" frames | grep ' right$')
# Near the left end of its title bar: the other window covers the middle.
"$keys" down $((x + 40)) $((y - 10))
"$keys" move-to 1 1 30
sleep 0.8
import -window root "$build/tour-overlay.png"
echo "Screenshot with the preview: $build/tour-overlay.png"
"$keys" up
sleep 0.5
echo "  after release:"; frames

# The zone picker, on the keyboard.
"$keys" key Escape
echo "== Ctrl+Alt+Space: the zone picker"
"$keys" key ctrl+alt+space
sleep 0.6
import -window root "$build/tour-hud.png"
echo "Screenshot with the picker: $build/tour-hud.png"
step "Down, Return: the picked zone (left third)" "$keys" key Down Return

# Snap assist: the top half for 'left', and the other window offered for the bottom half.
"$keys" key Escape
wmctrl -a left
echo "== Ctrl+Alt+Up: top half, and the card panel over the bottom half"
"$keys" key ctrl+alt+Up
sleep 0.8
import -window root "$build/tour-assist.png"
echo "Screenshot with the snap-assist cards: $build/tour-assist.png"
"$keys" key Escape

# The tray icon and its menu.
if read -r ix iy < <("$keys" icon-of "$kelvra_pid"); then
  echo "== Clicking the tray icon"
  "$keys" click "$ix" "$iy"
  sleep 0.6
  import -window root "$build/tour-tray.png"
  echo "Screenshot with the tray menu: $build/tour-tray.png"
  "$keys" key Escape
else
  echo "(no tray icon found; the tray menu is not shown)"
fi

# Ends Kelvra as a logout would, so that it cleans up as on a normal quit.
kill -TERM "$kelvra_pid"
status=0
wait "$kelvra_pid" || status=$?
echo "Kelvra stopped (exit status $status). Its log:"
sed 's/^/  /' "$work/kelvra.log"
