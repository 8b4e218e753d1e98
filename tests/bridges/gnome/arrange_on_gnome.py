#!/usr/bin/python3
"""Workspaces and placement rules on a real headless GNOME Shell (inside
scripts/gnome-session.sh --probe; the program's path is the argument). A saved workspace of
a Wayland terminal on the left half and an X11 terminal on the right half comes back by its
shortcut: the running Wayland terminal is moved, the missing X11 terminal is launched
through its desktop entry and placed. The shell names an X11 window by the entry it finds
for it (Debian's xterm entry, debian-xterm, declares xterm's class): the workspace saved
on this desktop holds that name. A placement rule sends every new window of the Wayland
terminal into the right third.
"""
import os
import signal
import subprocess
import sys

from gnome_desktop import ALT, CELL, CTRL, desktop, open_client, run, wait_for, window_of

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP_BAR = 1440, 900, 32
KEY_W = 17  # evdev
WORKSPACE = "6A1F0C52-3B7D-4E8A-9C21-5D4E3F2A1B0C"
XTERM, WESTON = "debian-xterm", "org.freedesktop.weston.wayland-terminal"


def item(app_id, zone, x, w):
    return {"bundleID": app_id, "appName": app_id, "title": app_id, "zone": zone,
            "x": x, "y": TOP_BAR, "w": w, "h": SCREEN_H - TOP_BAR, "displayIndex": 0}


SETTINGS = {
    "workspaces": [{"id": WORKSPACE, "name": "Desk", "items": [
        item(WESTON, "leftHalf", 0, 716), item(XTERM, "rightHalf", 724, 716)]}],
    "shortcuts": {"workspace:" + WORKSPACE: {"keyCode": 13, "carbonModifiers": 0x1800}},
    "placementRules": [{"id": "7B2E1D63-4C8E-4F9B-AD32-6E5F4A3B2C10", "bundleID": WESTON,
                        "appName": "Terminal", "trigger": "newWindow", "display": "any",
                        "zone": "rightThird", "enabled": True}],
}


def scenario(kelvra, keys, clients, log):
    term = open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)

    def at(f, x, right):
        return f and abs(f["x"] - x) < CELL and abs(f["x"] + f["w"] - right) < CELL

    def launched():
        return [w for w in desktop()["windows"] if w["app"] == XTERM + ".desktop"]

    keys.press(CTRL, ALT, KEY_W)
    try:
        wait_for("the Wayland terminal on the left half",
                 lambda: at(window_of(term.pid), 0, 716), 5)
        wait_for("the X11 terminal launched onto the right half", lambda: any(
            at(w, 724, SCREEN_W) for w in launched()), 20)
    finally:
        for w in launched():  # not a child of this script: ended by its pid
            os.kill(w["pid"], signal.SIGTERM)
    print("the workspace came back, the missing terminal launched", flush=True)

    for n in (1, 2):
        clients.append(subprocess.Popen(["weston-terminal"], stderr=subprocess.DEVNULL))
        wait_for("the new Wayland terminal in the right third", lambda: sum(
            1 for c in clients[1:] if at(window_of(c.pid), SCREEN_W * 2 / 3 + 4, SCREEN_W))
            == n, 10)
    print("the placement rule placed each new window", flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "workspaces and rules on GNOME", SETTINGS))
