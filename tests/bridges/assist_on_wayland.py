#!/usr/bin/python3
"""Snap assist on a real headless Wayland desktop (inside scripts/kwin-session.sh or
scripts/gnome-session.sh --probe; the program's path is the argument). An X11 terminal
snapped to a half offers the Wayland terminal on a card over the other half; the cards
have the keyboard (the bridge gives them the focus): Escape closes them and gives the
focus back, and a click on the card puts the Wayland terminal in the empty half, active.
After a quarter, the cards of the zone after the one a card filled have the keyboard
again, and a click on another window closes them.
"""
import sys

from desktop_common import ALT, CTRL, ESCAPE, LEFT, RIGHT, near, shown, stop, wait_for
from wayland_desktop import desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP = 1440, 900, desktop.TOP_BAR
# The first card: 16 of padding, a header of 30 and a gap of 10 above it.
CARD_X, CARD_Y = 16 + 30, 56 + 40
U = 22  # evdev code: Ctrl+Alt+U is the top-left quarter


def scenario(kelvra, keys, clients, log):
    term = desktop.open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    xterm = desktop.open_client(["xterm", "-geometry", "60x20+300+200"], "the X11 terminal",
                                keys)
    clients.append(xterm)

    def panel():
        return shown(desktop.window_of(kelvra.pid, "Kelvra snap assist*"))

    def offered(x, y):
        """The cards over the zone the terminal left empty, with the keyboard."""
        try:
            return wait_for("the cards at %r" % ((x, y),), lambda: desktop.is_active(
                kelvra.pid) and near(panel(), x=x, y=y), 5)
        except AssertionError:
            raise AssertionError("the cards: %r" % panel())

    def closed(pid):
        wait_for("the cards to close", lambda: panel() is None, 5)
        wait_for("the focus on the window", lambda: desktop.is_active(pid), 5)

    keys.press(CTRL, ALT, LEFT)
    offered(SCREEN_W / 2, TOP)
    keys.press(ESCAPE)
    closed(xterm.pid)
    print("Escape closed the cards, focus back on the snapped window", flush=True)

    keys.press(CTRL, ALT, RIGHT)
    p = offered(0, TOP)
    keys.click(p["x"] + CARD_X, p["y"] + CARD_Y)
    wait_for("the Wayland terminal in the left half",
             lambda: near(desktop.window_of(term.pid), x=0, y=TOP, w=SCREEN_W / 2), 5)
    closed(term.pid)
    print("a click on the card placed its window", flush=True)

    # A quarter of an empty screen leaves three zones: after a card fills the first, the
    # cards for the next one have the keyboard again. Side by side: a click to focus one
    # lands on it.
    stop(clients)
    quarters = []
    for i in range(3):
        quarters.append(desktop.open_client(
            ["xterm", "-geometry", "40x10+%d+500" % (100 + 450 * i)], "X11 terminal %d" % i,
            keys))
        clients.append(quarters[-1])
    keys.press(CTRL, ALT, U)
    p = offered(SCREEN_W / 2, TOP)
    keys.click(p["x"] + CARD_X, p["y"] + CARD_Y)
    offered(0, TOP + (SCREEN_H - TOP) / 2)
    print("the next zone's cards took the keyboard again", flush=True)
    f = desktop.window_of(quarters[-1].pid)  # in the top-left quarter
    keys.click(f["x"] + 40, f["y"] + f["h"] - 40)
    closed(quarters[-1].pid)
    print("a click on another window closed the cards", flush=True)


if __name__ == "__main__":
    sys.exit(desktop.run(KELVRA, scenario, "snap assist on " + desktop.NAME,
                         {"snapAssistEnabled": True}))
