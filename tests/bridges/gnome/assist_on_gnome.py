#!/usr/bin/python3
"""Snap assist on a real headless GNOME Shell (inside scripts/gnome-session.sh --probe; the
program's path is the argument). An Xwayland terminal snapped to a half offers the Wayland
terminal on a card over the other half; the cards have the keyboard (the extension gives
them the focus): Escape closes them and gives the focus back, and a click on the card puts
the Wayland terminal in the empty half, active.
"""
import sys

from gnome_desktop import (ALT, CELL, CTRL, ESCAPE, LEFT, RIGHT, desktop, is_active,
                           open_client, run, wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP_BAR = 1440, 900, 32
# The first card: 16 of padding, a header of 30 and a gap of 10 above it.
CARD_X, CARD_Y = 16 + 30, 56 + 40


def scenario(kelvra, keys, clients, log):
    term = open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    xterm = open_client(["xterm", "-geometry", "60x20+300+200"], "the Xwayland terminal", keys)
    clients.append(xterm)

    def panel():
        return next((w for w in desktop()["windows"] if w["pid"] == kelvra.pid and
                     w["title"].startswith("Kelvra snap assist") and not w["minimized"]), None)

    def offered(x, y):
        """The cards over the half the terminal left empty, with the keyboard."""
        def shown():
            p = panel()
            return p if p and is_active(kelvra.pid) and abs(p["x"] - x) < CELL and \
                abs(p["y"] - y) < CELL else None
        try:
            return wait_for("the cards at %r" % ((x, y),), shown, 5)
        except AssertionError:
            raise AssertionError("the cards: %r" % panel())

    def closed(pid):
        wait_for("the cards to close", lambda: panel() is None, 5)
        wait_for("the focus on the window", lambda: is_active(pid), 5)

    keys.press(CTRL, ALT, LEFT)
    offered(SCREEN_W / 2, TOP_BAR)
    keys.press(ESCAPE)
    closed(xterm.pid)
    print("Escape closed the cards, focus back on the snapped window", flush=True)

    keys.press(CTRL, ALT, RIGHT)
    p = offered(0, TOP_BAR)
    keys.click(p["x"] + CARD_X, p["y"] + CARD_Y)

    def left_half():
        t = window_of(term.pid)
        return t["x"] < CELL and abs(t["w"] - SCREEN_W / 2) < CELL and \
            abs(t["y"] - TOP_BAR) < CELL

    wait_for("the Wayland terminal in the left half", left_half, 5)
    closed(term.pid)
    print("a click on the card placed its window", flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "snap assist on GNOME", {"snapAssistEnabled": True}))
