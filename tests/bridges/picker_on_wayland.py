#!/usr/bin/python3
"""The zone picker on a real headless Wayland desktop (inside scripts/kwin-session.sh or
scripts/gnome-session.sh --probe; the program's path is the argument). Ctrl+Alt+Space opens
it over a Wayland terminal, centred; the picker takes the keys (the bridge gives it the
focus, which a Wayland client cannot take) and is kept out of the switchers and the
Overview. Right then Return puts the terminal on the right half of the work area and the
focus back on it; Escape and a click on another window close it; a digit picks a zone at
once.
"""
import sys

from desktop_common import (ALT, CELL, CTRL, ESCAPE, RETURN, RIGHT, SPACE, near, shown,
                            wait_for)
from wayland_desktop import desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP = 1440, 900, desktop.TOP_BAR
KEY_3 = 4  # evdev


def scenario(kelvra, keys, clients, log):
    term = desktop.open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)

    def picker():
        return shown(desktop.window_of(kelvra.pid, "Kelvra zone picker"))

    def open_picker():
        keys.press(CTRL, ALT, SPACE)
        wait_for("the picker with the focus",
                 lambda: picker() if desktop.is_active(kelvra.pid) else None, 5)

    def closed():
        wait_for("the picker to close", lambda: picker() is None, 5)
        wait_for("the focus back on the terminal", lambda: desktop.is_active(term.pid), 5)

    def at(**frame):
        wait_for("the terminal at %r" % frame, lambda: near(desktop.window_of(term.pid), **frame),
                 5)

    open_picker()

    # The bridge moves it there; the client takes the move with its next frame.
    wait_for("the picker centred", lambda: near(picker(), cx=SCREEN_W / 2) and near(
        picker(), slack=2 * CELL, cy=SCREEN_H / 2), 5)
    if not picker()["skipTaskbar"] or desktop.window_of(term.pid)["skipTaskbar"]:
        raise AssertionError("the picker is in the switchers or the terminal is not: %r"
                             % desktop.windows())
    print("the picker is kept out of the switchers and the Overview", flush=True)
    keys.press(RIGHT)
    keys.press(RETURN)
    at(x=SCREEN_W / 2, y=TOP, w=SCREEN_W / 2, bottom=SCREEN_H)
    closed()
    print("Right, Return: right half, focus back on the terminal", flush=True)

    open_picker()
    keys.press(ESCAPE)
    closed()
    print("Escape closed it", flush=True)

    open_picker()
    f = desktop.window_of(term.pid)
    keys.click(f["x"] + 40, f["y"] + f["h"] - 40)
    closed()
    print("a click on the terminal closed it", flush=True)

    open_picker()
    keys.press(KEY_3)
    at(x=0, y=TOP, w=SCREEN_W, h=(SCREEN_H - TOP) / 2)
    closed()
    print("3: top half", flush=True)


if __name__ == "__main__":
    sys.exit(desktop.run(KELVRA, scenario, "zone picker on " + desktop.NAME))
