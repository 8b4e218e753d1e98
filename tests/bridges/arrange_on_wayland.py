#!/usr/bin/python3
"""Workspaces and placement rules on a real headless Wayland desktop (inside
scripts/kwin-session.sh or scripts/gnome-session.sh --probe; the program's path is the
argument). A saved workspace of a Wayland terminal on the left half and an X11 terminal on
the right half comes back by its shortcut: the running Wayland terminal is moved, the
missing X11 terminal is launched through its desktop entry and placed. A placement rule
sends every new window of an application into the right third.
"""
import os
import signal
import subprocess
import sys

from desktop_common import ALT, CTRL, near, wait_for
from wayland_desktop import desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP = 1440, 900, desktop.TOP_BAR
KEY_W = 17  # evdev
WORKSPACE = "6A1F0C52-3B7D-4E8A-9C21-5D4E3F2A1B0C"
WESTON = "org.freedesktop.weston.wayland-terminal"
if desktop.NAME == "KWin":
    # KWin names an X11 window by its class: the entries are this session's own. The rule
    # is for another X11 application.
    XTERM, RULED, RULED_ARGV = "xterm", "ruled", ["xterm", "-class", "Ruled"]
    ENTRIES = {"xterm": "xterm -geometry 60x20+300+200", "ruled": "xterm -class Ruled"}
else:
    # The shell names an X11 window by the entry it finds for it (Debian's xterm entry,
    # debian-xterm, declares xterm's class): the workspace saved there holds that name.
    # The rule is for the Wayland terminal.
    XTERM, RULED, RULED_ARGV = "debian-xterm", WESTON, ["weston-terminal"]
    ENTRIES = {}


def item(app_id, zone, x, w):
    return {"bundleID": app_id, "appName": app_id, "title": app_id, "zone": zone,
            "x": x, "y": TOP, "w": w, "h": SCREEN_H - TOP, "displayIndex": 0}


SETTINGS = {
    "workspaces": [{"id": WORKSPACE, "name": "Desk", "items": [
        item(WESTON, "leftHalf", 0, 716), item(XTERM, "rightHalf", 724, 716)]}],
    "shortcuts": {"workspace:" + WORKSPACE: {"keyCode": 13, "carbonModifiers": 0x1800}},
    "placementRules": [{"id": "7B2E1D63-4C8E-4F9B-AD32-6E5F4A3B2C10", "bundleID": RULED,
                        "appName": "Ruled", "trigger": "newWindow", "display": "any",
                        "zone": "rightThird", "enabled": True}],
}


def scenario(kelvra, keys, clients, log):
    term = desktop.open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)

    def windows_of(app):
        return [w for w in desktop.windows() if w["app"] == app]

    keys.press(CTRL, ALT, KEY_W)
    try:
        wait_for("the Wayland terminal on the left half",
                 lambda: near(desktop.window_of(term.pid), x=0, right=716), 5)
        wait_for("the X11 terminal launched onto the right half", lambda: any(
            near(w, x=724, right=SCREEN_W) for w in windows_of(XTERM)), 20)
    finally:
        for w in windows_of(XTERM):  # not a child of this script: ended by its pid
            os.kill(w["pid"], signal.SIGTERM)
    print("the workspace came back, the missing terminal launched", flush=True)

    for n in (1, 2):
        clients.append(subprocess.Popen(RULED_ARGV, stderr=subprocess.DEVNULL))
        wait_for("the new window in the right third", lambda: sum(
            1 for c in clients[1:] if near(desktop.window_of(c.pid), x=SCREEN_W * 2 / 3 + 4,
                                           right=SCREEN_W)) == n, 10)
    print("the placement rule placed each new window", flush=True)


def main():
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "applications")
    os.makedirs(folder, exist_ok=True)
    for app_id, command in ENTRIES.items():
        with open(os.path.join(folder, app_id + ".desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=%s\nExec=%s\n" % (app_id, command))
    return desktop.run(KELVRA, scenario, "workspaces and rules on " + desktop.NAME, SETTINGS)


if __name__ == "__main__":
    sys.exit(main())
