"""What Kelvra's end-to-end tests on a headless GNOME Shell share: the shell's windows read
back through the tests' probe extension, real input through mutter's RemoteDesktop
interface, and starting Kelvra. Used inside scripts/gnome-session.sh --probe (its
environment names the session). The scenarios both Wayland desktops run reach it through
tests/bridges/wayland_desktop.py, which lists the names it shares with kwin_desktop.py."""
import json
import os
import subprocess
import sys
import time

import dbus

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import desktop_common  # noqa: E402 - shared with KWin's tests, one folder up
from desktop_common import (ALT, CELL, CTRL, DOWN, ESCAPE, LEFT, RETURN, RIGHT,  # noqa: E402,F401
                            SHIFT, SPACE, SUPER, UP, log_text, near, stop, wait_for)

NAME = "GNOME"
TOP_BAR = 32  # the work area's top: below the top bar
LOG = os.environ["KELVRA_SHELL_LOG"]
STARTS = os.environ.get("KELVRA_SHELL_STARTS", "")
BRIDGE_FILE = os.path.join(os.environ["XDG_DATA_HOME"],
                           "gnome-shell/extensions/kelvra-bridge@orvane.com/extension.js")
BUTTON_LEFT = 0x110  # evdev code of the left mouse button
bus = dbus.SessionBus()


def desktop():
    """The shell's windows (frames, focus, Xwayland or not) and the pointer."""
    probe = dbus.Interface(bus.get_object("io.github.kelvra.Probe", "/Probe"),
                           "io.github.kelvra.Probe")
    return json.loads(str(probe.Windows()))


def windows():
    """The shell's windows, bottom to top (`stack` is the place in the stack); `app` is the
    desktop entry's name."""
    return [dict(w, stack=i, app=w["app"].removesuffix(".desktop"))
            for i, w in enumerate(desktop()["windows"])]


def window_of(pid, title=None):
    return desktop_common.window_in(windows(), pid, title)


def is_active(pid):
    return any(w["pid"] == pid and w["active"] for w in desktop()["windows"])


class Input(desktop_common.Input):
    """Real pointer and keys: a RemoteDesktop session of mutter's. Without a screen-cast
    stream the pointer moves only relative to where it is: the first move pushes it into
    the top-left corner, each move then goes from where the shell says it is."""

    def __init__(self):
        remote = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop",
                                               "/org/gnome/Mutter/RemoteDesktop"),
                                "org.gnome.Mutter.RemoteDesktop")
        path = remote.CreateSession()
        self.session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                                      "org.gnome.Mutter.RemoteDesktop.Session")
        self.session.Start()
        self.at = None  # where the pointer is, once a move put it somewhere known
        # The session's keyboard is a device new to the shell: its first key may reach
        # nobody, neither a client nor the shell's own shortcuts.
        self.press(SHIFT)
        time.sleep(0.3)

    def move(self, x, y):
        """Moves the pointer to (x, y) and waits until the shell has it there (a motion
        sent just after the session started may be dropped: it is sent again)."""
        if self.at is None:
            self.session.NotifyPointerMotionRelative(-100000.0, -100000.0)
            self.at = (0, 0)
        for _ in range(5):
            self.session.NotifyPointerMotionRelative(float(x - self.at[0]),
                                                     float(y - self.at[1]))
            try:
                wait_for("the pointer at %d,%d" % (x, y),
                         lambda: desktop()["pointer"] == {"x": x, "y": y}, 1)
                self.at = (x, y)
                return
            except AssertionError:
                p = desktop()["pointer"]
                self.at = (p["x"], p["y"])
        raise AssertionError("the pointer did not get to %d,%d" % (x, y))

    def key(self, code, down):
        self.session.NotifyKeyboardKeycode(dbus.UInt32(code), down)

    def button(self, down):
        self.session.NotifyPointerButton(dbus.Int32(BUTTON_LEFT), down)

    def close(self):
        try:
            self.session.Stop()
        except dbus.DBusException:  # the shell ended first
            pass


def ready_to_drag(keys, pid, limit=10.0):
    desktop_common.ready_to_drag(keys, window_of, pid, limit)


def start_kelvra(program, settings):
    return desktop_common.start_kelvra(program, settings, LOG)


def focus(keys, pid, name):
    """Clicks into the window of `pid` until it has the focus (a client just mapped, on a
    loaded machine, may not take its first clicks yet)."""
    def shown():  # with a frame: the shell lists a window before it has one
        w = window_of(pid)
        return w if w and w["w"] > 0 else None

    for attempt in range(10):
        f = wait_for(name + " to show", shown, 20)
        if f["active"]:
            return
        # A window just mapped may not take input for a moment: a click too soon lands on
        # the window below and raises that over it.
        keys.click(f["x"] + f["w"] // 2, f["y"] + f["h"] // 2, 0.3 * (attempt + 1))
        try:
            wait_for(name + " to be active", lambda: is_active(pid), 1)
            return
        except AssertionError:
            continue
    raise AssertionError(name + " never took the focus from a click")


def open_client(argv, name, keys):
    """Starts a client and clicks into its window: the headless shell gives a new window
    no focus of its own accord."""
    client = subprocess.Popen(argv, stderr=subprocess.DEVNULL)
    focus(keys, client.pid, name)
    return client


def run(program, scenario, name, settings=None):
    """See desktop_common.run."""
    return desktop_common.run(LOG, Input, desktop, program, scenario, name, settings)
