#!/usr/bin/python3
"""The zone picker on a real headless GNOME Shell (inside scripts/gnome-session.sh --probe;
the program's path is the argument). Ctrl+Alt+Space opens it over a Wayland terminal; the
picker takes the keys (the extension gives it the focus, which a Wayland client cannot
take) and is kept out of the switchers and the Overview. Right then Return puts the
terminal on the right half of the work area and the focus back on it; Escape closes it.
"""
import sys

from gnome_desktop import (ALT, CELL, CTRL, ESCAPE, RETURN, RIGHT, SPACE, desktop,
                           is_active, open_client, run, wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP_BAR = 1440, 900, 32


def scenario(kelvra, keys, clients, log):
    term = open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)

    def picker():
        return window_of(kelvra.pid, "Kelvra zone picker")

    def open_picker():
        keys.press(CTRL, ALT, SPACE)
        return wait_for("the picker with the focus",
                        lambda: picker() if is_active(kelvra.pid) else None, 5)

    def closed():
        wait_for("the picker to close", lambda: picker() is None, 5)
        wait_for("the focus back on the terminal", lambda: is_active(term.pid), 5)

    open_picker()

    def centred():
        p = picker()
        return p and abs(p["x"] + p["w"] / 2 - SCREEN_W / 2) < CELL and \
            abs(p["y"] + p["h"] / 2 - SCREEN_H / 2) < 2 * CELL

    # The extension moves it there; the client takes the move with its next frame.
    wait_for("the picker centred", centred, 5)
    if not picker()["skipTaskbar"] or window_of(term.pid)["skipTaskbar"]:
        raise AssertionError("the picker is in the switchers or the terminal is not: %r"
                             % desktop())
    print("the picker is kept out of the switchers and the Overview", flush=True)
    keys.press(RIGHT)
    keys.press(RETURN)
    wait_for("the terminal on the right half", lambda: (lambda f: abs(
        f["x"] - SCREEN_W / 2) < CELL and abs(f["w"] - SCREEN_W / 2) < CELL and abs(
        f["y"] - TOP_BAR) < CELL and f["h"] > SCREEN_H - TOP_BAR - CELL)(window_of(term.pid)), 5)
    closed()
    print("Right, Return: right half, focus back on the terminal", flush=True)

    open_picker()
    keys.press(ESCAPE)
    closed()
    print("Escape closed it", flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "zone picker on GNOME"))
