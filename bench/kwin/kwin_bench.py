#!/usr/bin/python3
"""Kelvra on a headless KWin Wayland session, as a user meets it (run inside
scripts/kwin-session.sh --fake-input TOOL; scripts/run-bench.sh does).

  kwin_bench.py KELVRA [--presses N] [--idle-seconds S]

1. Latency, for a Wayland terminal and an X11 one through Xwayland: a real key press
   (KWin's fake-input protocol) of Kelvra's left-half and maximize shortcuts, alternately,
   timed from just before the key goes out to the window's last frame change (its final
   frame, after the client committed the new size and stopped adjusting it). The floor,
   in the same run and interleaved with Kelvra's presses: a KWin script's own shortcut
   that sets the same two frames directly inside KWin, timed the same way. Frame changes
   are reported by frame_probe.js, a script inside KWin, over the bus to this program,
   which stamps them as they arrive.
2. Idle: over S seconds with nothing happening, Kelvra's context switches (every thread)
   and CPU time, and every D-Bus message on the session's private bus (dbus-monitor),
   those between KWin and Kelvra counted apart.
3. Memory: Kelvra's RSS and PSS (/proc/PID/smaps_rollup) after start and after the presses.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

# The bus connection the shared helpers open dispatches through GLib's loop.
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "bridges", "kwin"))
sys.path.insert(0, os.path.join(HERE, ".."))
from wayland_bench import arguments, interleave, run  # noqa: E402
from kwin_desktop import (ALT, CTRL, LEFT, RETURN, SHIFT, bus, open_client,  # noqa: E402
                          start_kelvra)

# Two keys per window for the floor's shortcuts (Ctrl+Alt+Shift+key): evdev code, name.
FLOOR_KEYS = [((67, "F9"), (68, "F10")), ((87, "F11"), (88, "F12"))]
NAME = "io.github.kelvra.Bench"
QUIET_S = 0.3  # no further frame change for this long: the frame is final
FIRST_CHANGE_LIMIT_S = 2.0
loop = GLib.MainLoop()


class FrameProbe(dbus.service.Object):
    """The bus end frame_probe.js calls: every frame change with the time it arrived."""

    def __init__(self):
        self.name = dbus.service.BusName(NAME, bus)
        super().__init__(bus, "/Bench")
        self.changes = []  # (perf_counter seconds, pid, frame)

    @dbus.service.method(NAME, in_signature="s", out_signature="")
    def Frame(self, text):
        now = time.perf_counter()
        change = json.loads(text)
        self.changes.append((now, change["pid"], (change["x"], change["y"], change["w"],
                                                  change["h"])))


def run_loop_for(seconds):
    GLib.timeout_add(max(1, int(seconds * 1000)), loop.quit)
    loop.run()


def load_script(path, name, replacements=None):
    with open(path) as f:
        text = f.read()
    for key, value in (replacements or {}).items():
        text = text.replace('"@%s@"' % key, json.dumps(value))
    script = tempfile.NamedTemporaryFile("w", suffix=".js", delete=False)
    script.write(text)
    script.close()
    scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"),
                               "org.kde.kwin.Scripting")
    scripting.loadScript(script.name, name, signature="ss")
    scripting.start()


class Keys:
    """The fake-input tool with the final key's press sent without waiting for the tool's
    answer: the loop must stay free to stamp the frame changes as they come."""

    def __init__(self):
        self.tool = subprocess.Popen([os.environ["KELVRA_FAKE_INPUT"]], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        self.unanswered = 0
        self.held = []

    def write(self, command):
        self.tool.stdin.write(command + "\n")
        self.tool.stdin.flush()
        self.unanswered += 1

    def collect(self):
        while self.unanswered:
            self.unanswered -= 1
            answer = self.tool.stdout.readline().strip()
            if answer != "ok":
                raise AssertionError("fake input answered %r" % answer)

    def press(self, modifiers, key):
        """Holds the modifiers, then taps the key; returns the time its press went out.
        The modifiers are let go by release(). A key held longer would repeat."""
        for k in modifiers:
            self.write("key %d 1" % k)
        self.collect()
        self.held = list(modifiers)
        sent = time.perf_counter()
        self.write("key %d 1" % key)
        self.write("key %d 0" % key)
        return sent

    def release(self):
        for k in reversed(self.held):
            self.write("key %d 0" % k)
        self.collect()

    def close(self):
        self.tool.stdin.close()
        self.tool.wait(5)


def timed_press(probe, keys, pid, modifiers, key):
    """Milliseconds from the press to the window's final frame, and the first frame the
    window took (the one asked for, before the client rounded it); None for the time when
    the frame did not change."""
    start = len(probe.changes)
    sent = keys.press(modifiers, key)
    limit = sent + FIRST_CHANGE_LIMIT_S
    last = None
    while True:
        run_loop_for(0.02)
        mine = [c for c in probe.changes[start:] if c[1] == pid]
        now = time.perf_counter()
        if mine:
            last = mine[-1]
            if now - last[0] >= QUIET_S:
                break
        elif now > limit:
            break
    keys.collect()
    keys.release()
    run_loop_for(0.05)
    if not last:
        return None, None
    first = [c for c in probe.changes[start:] if c[1] == pid][0]
    return (last[0] - sent) * 1000.0, first[2]


def bench_client(probe, keys, argv, name, index, presses):
    """Kelvra's two shortcuts and the floor's two, interleaved, on one new window."""
    client = open_client(argv, name)

    def give_floor(frames):
        # Each window has keys of its own: KWin keeps a script's shortcuts after unloading.
        load_script(os.path.join(HERE, "floor_mover.js"), "kelvra-bench-floor-%d" % index, {
            "FRAMES": frames, "NAME": "kelvra-bench-floor-%d" % index,
            "KEYS": ["Ctrl+Alt+Shift+" + key for _, key in FLOOR_KEYS[index]]})
        run_loop_for(0.5)

    return (client, *interleave(
        name, lambda modifiers, key: timed_press(probe, keys, client.pid, modifiers, key),
        [([CTRL, ALT], LEFT), ([CTRL, ALT], RETURN)],
        [([CTRL, ALT, SHIFT], code) for code, _ in FLOOR_KEYS[index]], give_floor, presses))


def main():
    args = arguments()
    probe = FrameProbe()
    load_script(os.path.join(HERE, "frame_probe.js"), "kelvra-bench-probe")
    kelvra, log = start_kelvra(args.kelvra, {})
    keys = Keys()
    kwin_pid = int(dbus.Interface(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus"),
                                  "org.freedesktop.DBus").GetConnectionUnixProcessID(
                                      "org.kde.KWin"))
    return run(kelvra, log, keys, args, lambda argv, name, index: bench_client(
        probe, keys, argv, name, index, args.presses), ("KWin", kwin_pid), run_loop_for)


if __name__ == "__main__":
    sys.exit(main())
