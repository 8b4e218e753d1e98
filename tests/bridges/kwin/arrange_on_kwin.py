#!/usr/bin/python3
"""Workspaces and placement rules on a real headless KWin (inside scripts/kwin-session.sh
--fake-input; the program's path is the argument). A saved workspace of a Wayland terminal
on the left half and an X11 terminal on the right half comes back by its shortcut: the
running Wayland terminal is moved, the missing X11 terminal is launched through its
desktop entry and placed. A placement rule sends every new window of another X11
application into the right third.
"""
import os
import signal
import subprocess
import sys

from kwin_desktop import (ALT, CELL, CTRL, Input, kwin_windows, open_client, run_checks,
                          start_kelvra, wait_for)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900
KEY_W = 17  # evdev
WORKSPACE = "6A1F0C52-3B7D-4E8A-9C21-5D4E3F2A1B0C"


def entry(app_id, name, command):
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "applications")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, app_id + ".desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=%s\nExec=%s\n" % (name, command))


def item(app_id, zone, x, w):
    return {"bundleID": app_id, "appName": app_id, "title": app_id, "zone": zone,
            "x": x, "y": 0, "w": w, "h": SCREEN_H, "displayIndex": 0}


def main():
    entry("xterm", "XTerm", "xterm -geometry 60x20+300+200")
    entry("ruled", "Ruled", "xterm -class Ruled")
    settings = {
        "workspaces": [{"id": WORKSPACE, "name": "Desk", "items": [
            item("org.freedesktop.weston.wayland-terminal", "leftHalf", 0, 716),
            item("xterm", "rightHalf", 724, 716)]}],
        "shortcuts": {"workspace:" + WORKSPACE: {"keyCode": 13, "carbonModifiers": 0x1800}},
        "placementRules": [{"id": "7B2E1D63-4C8E-4F9B-AD32-6E5F4A3B2C10", "bundleID": "ruled",
                            "appName": "Ruled", "trigger": "newWindow", "display": "any",
                            "zone": "rightThird", "enabled": True}],
    }
    kelvra, log = start_kelvra(KELVRA, settings)
    keys = Input()
    clients = []

    def checks():
        term = open_client(["weston-terminal"], "Wayland terminal")
        clients.append(term)

        def window(app):
            return next((w for w in kwin_windows()["windows"] if w["app"] == app), None)

        def at(app, x, right):
            w = window(app)
            return w and abs(w["x"] - x) < CELL and abs(w["x"] + w["w"] - right) < CELL

        keys.press(CTRL, ALT, KEY_W)
        wait_for("the Wayland terminal on the left half", lambda: at(
            "org.freedesktop.weston.wayland-terminal", 0, 716), 5)
        wait_for("the X11 terminal launched onto the right half", lambda: at(
            "xterm", 724, SCREEN_W), 20)
        print("the workspace came back, the missing terminal launched", flush=True)

        for _ in range(2):
            clients.append(subprocess.Popen(["xterm", "-class", "Ruled"],
                                            stderr=subprocess.DEVNULL))
            wait_for("the ruled window in the right third", lambda: sum(
                1 for w in kwin_windows()["windows"] if w["app"] == "ruled" and
                abs(w["x"] - (SCREEN_W * 2 / 3 + 4)) < CELL) == len(clients) - 1, 10)
        print("the placement rule placed each new window", flush=True)

    # The terminal Kelvra launched is not a child of this script: ended by its pid.
    launched = []

    def checks_then_note():
        try:
            checks()
        finally:
            launched.extend(w["pid"] for w in kwin_windows()["windows"] if w["app"] == "xterm")

    status = run_checks("workspaces and rules on KWin", checks_then_note, kelvra, log, keys,
                        clients)
    for pid in launched:
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    return status


if __name__ == "__main__":
    sys.exit(main())
