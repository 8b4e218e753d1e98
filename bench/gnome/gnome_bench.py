#!/usr/bin/python3
"""Kelvra on a headless GNOME Shell Wayland session, as a user meets it (run inside
scripts/gnome-session.sh --probe --free-workspace-keys left; scripts/run-bench.sh does).

  gnome_bench.py KELVRA [--presses N] [--idle-seconds S]

1. Latency, for a Wayland terminal and an X11 one through Xwayland: a real key press
   (mutter's RemoteDesktop) of Kelvra's left-half and maximize shortcuts, alternately,
   timed from just before the key goes out to the window's last frame change (its final
   frame, after the client committed the new size and stopped adjusting it). The floor,
   in the same run and interleaved with Kelvra's presses: two accelerators of the tests'
   probe extension that set the same two frames directly inside the shell, timed the same
   way. The probe reports every frame change over the bus, stamped inside the shell on the
   same monotonic clock this program stamps its presses with.
2. Idle: over S seconds with nothing happening, Kelvra's context switches (every thread)
   and CPU time, and every D-Bus message on the session's private bus (dbus-monitor),
   those between the shell and Kelvra counted apart.
3. Memory: Kelvra's RSS and PSS (/proc/PID/smaps_rollup) after start and after the presses.
"""
import json
import os
import sys
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

# The bus connection the shared helpers open dispatches through GLib's loop.
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "bridges", "gnome"))
sys.path.insert(0, os.path.join(HERE, ".."))
from wayland_bench import arguments, interleave, run  # noqa: E402
from gnome_desktop import (ALT, CTRL, LEFT, LOG, RETURN, SHIFT, Input, bus,  # noqa: E402
                           open_client)
from desktop_common import start_kelvra  # noqa: E402

PROBE = "io.github.kelvra.Probe"
FLOOR_KEYS = [67, 68]  # F9, F10: the probe's Ctrl+Alt+Shift accelerators, in order
QUIET_S = 0.3  # no further frame change for this long: the frame is final
FIRST_CHANGE_LIMIT_S = 2.0
loop = GLib.MainLoop()


class FrameProbe:
    """Every frame change the probe extension reports: (arrival, shell's time, pid, frame),
    both times in seconds of the monotonic clock."""

    def __init__(self):
        self.changes = []
        bus.add_signal_receiver(self._frame, signal_name="Frame", dbus_interface=PROBE)

    def _frame(self, text):
        change = json.loads(str(text))
        self.changes.append((time.monotonic(), change["t"] / 1e6, change["pid"],
                             (change["x"], change["y"], change["w"], change["h"])))


def run_loop_for(seconds):
    GLib.timeout_add(max(1, int(seconds * 1000)), loop.quit)
    loop.run()


class Keys(Input):
    """RemoteDesktop input with the final key's press and release sent without waiting for
    the shell's answer: the loop must stay free to take the frame changes as they come."""

    def __init__(self):
        super().__init__()
        self.held = []
        self.pending = 0

    def _answered(self, *error):
        self.pending -= 1
        if error:
            raise AssertionError("RemoteDesktop refused a key: %s" % error[0])

    def tap(self, modifiers, key):
        """Holds the modifiers, then taps the key; returns the time its press went out."""
        for k in modifiers:
            self.session.NotifyKeyboardKeycode(dbus.UInt32(k), True)
        self.held = list(modifiers)
        sent = time.monotonic()
        for down in (True, False):
            self.pending += 1
            self.session.NotifyKeyboardKeycode(dbus.UInt32(key), down,
                                               reply_handler=self._answered,
                                               error_handler=self._answered)
        return sent

    def release(self):
        while self.pending:
            run_loop_for(0.01)
        for k in reversed(self.held):
            self.session.NotifyKeyboardKeycode(dbus.UInt32(k), False)


def timed_press(probe, keys, pid, modifiers, key):
    """Milliseconds from the press to the window's final frame, and the frame asked for
    (before the client rounded it); None for the time when the frame did not change."""
    start = len(probe.changes)
    sent = keys.tap(modifiers, key)
    limit = sent + FIRST_CHANGE_LIMIT_S
    mine = []
    while True:
        run_loop_for(0.02)
        # Changes stamped before the press (a window still settling after it appeared) that
        # the loop takes only now are not the press's.
        mine = [c for c in probe.changes[start:] if c[2] == pid and c[1] >= sent]
        now = time.monotonic()
        if mine and now - mine[-1][0] >= QUIET_S:
            break
        if not mine and now > limit:
            break
    keys.release()
    run_loop_for(0.05)
    if not mine:
        return None, None
    # The frame asked for is the first of a new size: an Xwayland window is moved before it
    # is resized, which shows first as the old size at the new place.
    earlier = [c for c in probe.changes if c[2] == pid and c[1] < sent]
    asked = next((c for c in mine if not earlier or c[3][2:] != earlier[-1][3][2:]), mine[0])
    return (mine[-1][1] - sent) * 1000.0, asked[3]


def bench_client(probe, keys, argv, name, presses):
    """Kelvra's two shortcuts and the floor's two, interleaved, on one new window."""
    client = open_client(argv, name, keys)
    probe_object = dbus.Interface(bus.get_object(PROBE, "/Probe"), PROBE)
    return (client, *interleave(
        name, lambda modifiers, key: timed_press(probe, keys, client.pid, modifiers, key),
        [([CTRL, ALT], LEFT), ([CTRL, ALT], RETURN)],
        [([CTRL, ALT, SHIFT], key) for key in FLOOR_KEYS],
        lambda frames: probe_object.SetFloorFrames(json.dumps(frames)), presses))


def main():
    args = arguments()
    probe = FrameProbe()
    kelvra, log = start_kelvra(args.kelvra, {}, LOG)
    keys = Keys()
    shell_pid = int(dbus.Interface(bus.get_object("org.freedesktop.DBus",
                                                  "/org/freedesktop/DBus"),
                                   "org.freedesktop.DBus").GetConnectionUnixProcessID(PROBE))
    return run(kelvra, log, keys, args, lambda argv, name, _: bench_client(
        probe, keys, argv, name, args.presses), ("GNOME Shell", shell_pid), run_loop_for)


if __name__ == "__main__":
    sys.exit(main())
