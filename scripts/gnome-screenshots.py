#!/usr/bin/python3
"""Screenshots of Kelvra's own windows on a headless GNOME Shell: the zone preview over a
terminal, the zone picker, the divider of a tile group and the settings window. Run inside
scripts/gnome-session.sh --probe [--scale S] (`make gnome-gallery` takes them at scale 1
and 2):

    scripts/gnome-screenshots.py PROGRAM OUTPUT_DIR SUFFIX

Pictures (OUTPUT_DIR/gnome-NAME-SUFFIX.png, in the monitor's own pixels) come through the
tests' probe extension: the shell's Screenshot interface answers only its own tools.
"""
import os
import subprocess
import sys
import time

import dbus

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "bridges", "gnome"))
from gnome_desktop import (ALT, CELL, CTRL, ESCAPE, LEFT, RIGHT, SPACE, Input,  # noqa: E402
                           bus, desktop, open_client, stop, wait_for, window_of)
from desktop_common import kelvra_env, start_kelvra  # noqa: E402

SCREEN_W, SCREEN_H = 1440, 900


def own_window(kelvra, prefix):
    return next((w for w in desktop()["windows"] if w["pid"] == kelvra.pid and
                 w["title"].startswith(prefix) and not w["minimized"]), None)


def main():
    program, out, suffix = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(out, exist_ok=True)
    probe = dbus.Interface(bus.get_object("io.github.kelvra.Probe", "/Probe"),
                           "io.github.kelvra.Probe")

    def capture(name, area=(0, 0, SCREEN_W, SCREEN_H)):
        path = os.path.abspath(os.path.join(out, "gnome-%s-%s.png" % (name, suffix)))
        probe.Screenshot(*area, path)
        print("wrote", path, flush=True)

    kelvra, log = start_kelvra(program, {"windowGap": 0}, os.environ["KELVRA_SHELL_LOG"])
    keys = Input()
    clients = []
    try:
        left = open_client(["weston-terminal"], "a Wayland terminal", keys)
        clients.append(left)
        subprocess.run([program, "--show-zone=rightHalf"], env=kelvra_env(), check=True)
        wait_for("the zone preview", lambda: own_window(kelvra, "Kelvra zone preview"), 5)
        time.sleep(0.5)  # its fade-in
        capture("preview")
        time.sleep(3)  # the preview goes again, and the shell's greeting notification
        keys.press(CTRL, ALT, SPACE)
        wait_for("the zone picker", lambda: own_window(kelvra, "Kelvra zone picker"), 5)
        time.sleep(0.8)  # placed by the extension, then drawn there
        capture("picker")
        keys.press(ESCAPE)
        time.sleep(0.5)
        keys.press(CTRL, ALT, LEFT)
        wait_for("the first terminal on the left half",
                 lambda: (window_of(left.pid) or {}).get("x", 99) < CELL, 5)
        right = open_client(["weston-terminal"], "a second Wayland terminal", keys)
        clients.append(right)
        keys.press(CTRL, ALT, RIGHT)
        wait_for("the second terminal on the right half", lambda: abs(
            (window_of(right.pid) or {}).get("x", 0) - SCREEN_W / 2) < CELL, 5)
        wait_for("the divider", lambda: own_window(kelvra, "Kelvra divider"), 5)
        time.sleep(1)
        capture("divider", (420, 150, 600, 400))
        subprocess.Popen([program], env=kelvra_env())  # a second start opens the settings
        wait_for("the settings window", lambda: own_window(kelvra, "Settings"), 10)
        time.sleep(1)
        capture("settings")
    finally:
        keys.close()
        stop(clients + [kelvra])
    return 0


if __name__ == "__main__":
    sys.exit(main())
