#!/usr/bin/python3
"""Snap assist on a real headless KWin (inside scripts/kwin-session.sh --fake-input; the
program's path is the argument). An X11 terminal snapped to a half offers the Wayland
terminal on a card over the other half; the panel has the keyboard (the bridge gives it
the focus): Escape closes it and gives the focus back, a click on another window closes
it, and a click on the card puts the Wayland terminal in the empty half, active; after a
quarter, the cards of the zone after the one a card filled have the keyboard again.
"""
import sys

from kwin_desktop import (ALT, CELL, CTRL, ESCAPE, Input, LEFT, RIGHT, UP, is_active,
                          open_client, run_checks, start_kelvra, stop, wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900
# The first card: 16 of padding, a header of 30 and a gap of 10 above it.
CARD_X, CARD_Y = 16 + 30, 56 + 40
U = 22  # evdev code: Ctrl+Alt+U is the top-left quarter


def main():
    kelvra, log = start_kelvra(KELVRA, {"snapAssistEnabled": True})
    keys = Input()
    clients = []

    def checks():
        term = open_client(["weston-terminal"], "Wayland terminal")
        clients.append(term)
        xterm = open_client(["xterm", "-geometry", "60x20+300+200"], "X11 terminal")
        clients.append(xterm)

        def panel():
            w = window_of(kelvra.pid, "Kelvra snap assist*")
            return w if w and not w["minimized"] else None

        def offered(x, y):
            """The cards over the half the terminal left empty, with the keyboard."""
            def shown():
                p = panel()
                if not p or not is_active(kelvra.pid):
                    return None
                return p if abs(p["x"] - x) < CELL and abs(p["y"] - y) < CELL else None
            return wait_for("the cards at %r" % ((x, y),), shown, 5)

        def closed(pid):
            wait_for("the cards to close", lambda: panel() is None, 5)
            wait_for("the focus on the window", lambda: is_active(pid), 5)

        keys.press(CTRL, ALT, LEFT)
        offered(SCREEN_W / 2, 0)
        keys.press(ESCAPE)
        closed(xterm.pid)
        print("Escape closed the cards, focus back on the snapped window", flush=True)

        keys.press(CTRL, ALT, RIGHT)
        offered(0, 0)
        f = window_of(xterm.pid)
        keys.move(f["x"] + 40, f["y"] + f["h"] - 40)
        keys.send("button 1")
        keys.send("button 0")
        closed(xterm.pid)
        print("a click on another window closed the cards", flush=True)

        # Up, not Left: back to the left half would walk back to an earlier frame.
        keys.press(CTRL, ALT, UP)
        p = offered(0, SCREEN_H / 2)
        keys.move(p["x"] + CARD_X, p["y"] + CARD_Y)
        keys.send("button 1")
        keys.send("button 0")

        def bottom_half():
            t = window_of(term.pid)
            return abs(t["y"] - SCREEN_H / 2) < CELL and abs(t["y"] + t["h"] - SCREEN_H) < CELL

        wait_for("the Wayland terminal in the bottom half", bottom_half, 5)
        closed(term.pid)
        print("a click on the card placed its window", flush=True)

        # A quarter of an empty screen leaves three zones: after a card fills the first,
        # the cards for the next one have the keyboard again.
        stop(clients)
        for i in range(3):
            clients.append(open_client(["xterm", "-geometry", "60x20+%d+300" % (300 + 80 * i)],
                                       "X11 terminal %d" % i))
        keys.press(CTRL, ALT, U)
        p = offered(SCREEN_W / 2, 0)
        keys.move(p["x"] + CARD_X, p["y"] + CARD_Y)
        keys.send("button 1")
        keys.send("button 0")
        offered(0, SCREEN_H / 2)
        keys.press(ESCAPE)
        wait_for("the next cards to close", lambda: panel() is None, 5)
        print("the next zone's cards took the keyboard again", flush=True)

    return run_checks("snap assist on KWin", checks, kelvra, log, keys, clients)


if __name__ == "__main__":
    sys.exit(main())
