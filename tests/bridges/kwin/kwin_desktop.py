"""What Kelvra's end-to-end tests on a headless KWin share: waiting, reading KWin's windows
back from KWin itself, real input through the fake-input tool, and starting Kelvra.
Used inside scripts/kwin-session.sh (its environment names the session). The scenarios
both Wayland desktops run reach it through tests/bridges/wayland_desktop.py, which lists
the names it shares with gnome_desktop.py."""
import json
import os
import subprocess
import sys
import tempfile
import time

import dbus

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import desktop_common  # noqa: E402 - shared with GNOME's tests, one folder up
from desktop_common import (ALT, CELL, CTRL, DOWN, ESCAPE, LEFT, RETURN, RIGHT,  # noqa: E402,F401
                            SHIFT, SPACE, SUPER, UP, kelvra_env, log_text, near, stop,
                            wait_for)

NAME = "KWin"
TOP_BAR = 0  # the work area's top on a bare output
LOG = os.environ["KELVRA_KWIN_LOG"]
STARTS = os.environ.get("KELVRA_KWIN_STARTS", "")
BRIDGE_FILE = os.path.join(os.environ["XDG_DATA_HOME"],
                           "kwin/scripts/kelvra-bridge/metadata.json")
bus = dbus.SessionBus()
_dumps = 0


def kwin_windows():
    """Every window KWin has, with its frame, and the active one's caption: a throwaway
    KWin script prints them into KWin's log."""
    global _dumps
    _dumps += 1
    marker = "kelvra-e2e-%d-%d" % (os.getpid(), _dumps)
    script = tempfile.NamedTemporaryFile("w", suffix=".js", delete=False)
    script.write(
        "var out = {active: workspace.activeClient ? workspace.activeClient.caption : '',"
        " windows: []};\n"
        "workspace.clientList().forEach(function (c) { var g = c.frameGeometry;"
        " out.windows.push({caption: c.caption, title: c.caption, pid: c.pid,"
        " normal: c.normalWindow, app: String(c.desktopFileName || c.resourceClass),"
        " above: c.keepAbove,"
        " minimized: c.minimized, skipTaskbar: c.skipTaskbar, x: g.x, y: g.y, w: g.width,"
        " h: g.height, stack: c.stackingOrder}); });\n"
        "print('%s ' + JSON.stringify(out));\n" % marker)
    script.close()
    scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"),
                               "org.kde.kwin.Scripting")
    scripting.loadScript(script.name, marker, signature="ss")
    scripting.start()

    def read():
        with open(LOG, errors="replace") as log:
            for line in log:
                at = line.find(marker + " ")
                if at >= 0:
                    return json.loads(line[at + len(marker) + 1:])
        return None

    result = wait_for("KWin to print the windows", read, 5)
    scripting.unloadScript(marker)
    os.unlink(script.name)
    return result


def kglobalaccel():
    """KWin's global shortcut service (asked anew each time: it restarts with KWin)."""
    return dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                          "org.kde.KGlobalAccel")


def kelvra_holds(combination):
    """Whether the service gives `combination` (as the toolkit combines keys) to Kelvra."""
    return [str(a) for a in kglobalaccel().action(combination)][:1] == ["kelvra"]


def windows():
    """KWin's windows, bottom to top (`stack` is the place in the stack)."""
    return sorted(kwin_windows()["windows"], key=lambda w: w["stack"])


def window_of(pid, caption=None):
    return desktop_common.window_in(windows(), pid, caption)


def is_active(pid):
    desktop = kwin_windows()
    return any(w["pid"] == pid and w["caption"] == desktop["active"]
               for w in desktop["windows"])


class Input(desktop_common.Input):
    """Real pointer and keys: the fake-input tool, one command per line."""

    # A hand never rests quite still: a move KWin started late (the client asked for it
    # after the pointer got there) still sees the pointer move. (Mutter would end its own
    # edge tiling on them.)
    still_moves = 6

    def __init__(self):
        self.tool = subprocess.Popen([os.environ["KELVRA_FAKE_INPUT"]], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)

    def send(self, command):
        self.tool.stdin.write(command + "\n")
        self.tool.stdin.flush()
        answer = self.tool.stdout.readline().strip()
        if answer != "ok":
            raise AssertionError("input %r: %r" % (command, answer))

    def key(self, code, down):
        self.send("key %d %d" % (code, down))

    def button(self, down):
        self.send("button %d" % down)

    def move(self, x, y):
        self.send("move %d %d" % (x, y))

    def close(self):
        try:
            self.tool.stdin.close()
        except BrokenPipeError:  # the tool ended with the compositor it spoke to
            pass
        self.tool.wait(5)


def ready_to_drag(keys, pid, limit=10.0):
    desktop_common.ready_to_drag(keys, window_of, pid, limit)


def start_kelvra(program, settings):
    """Kelvra in this session with the given settings written first; returns the process
    and its log file (read with log_text)."""
    return desktop_common.start_kelvra(program, settings, LOG)


def open_client(argv, name, keys=None):
    """Starts a client and waits until it has the focus, which KWin gives a new window
    itself; given `keys`, a window still without it after a while is clicked, as a user
    would (seldom, a new window mapped with a divider of Kelvra's got none)."""
    client = subprocess.Popen(argv, stderr=subprocess.DEVNULL)
    try:
        wait_for(name + " to be active", lambda: is_active(client.pid), 5 if keys else 20)
    except AssertionError:
        if not keys:
            raise
        f = wait_for(name + " to show", lambda: window_of(client.pid), 10)
        print("%s did not get the focus of its own accord: clicked into it" % name, flush=True)
        keys.click(f["x"] + f["w"] // 2, f["y"] + f["h"] // 2)
        wait_for(name + " to be active", lambda: is_active(client.pid), 15)
    time.sleep(0.3)  # its first frame drawn: its title bar answers presses
    return client


def run(program, scenario, name, settings=None):
    """See desktop_common.run."""
    return desktop_common.run(LOG, Input, kwin_windows, program, scenario, name, settings)
