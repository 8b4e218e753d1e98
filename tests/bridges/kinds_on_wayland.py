#!/usr/bin/python3
"""Kinds of X11 application windows through Xwayland on a real headless Wayland desktop
(inside scripts/kwin-session.sh or scripts/gnome-session.sh --probe; the program's path is
the argument), each pressed to the left half: a window drawing its own decorations fills
the zone with what the user sees of it (its shadow outside), size limits are kept at the
zone's corner, and a dialog is not moved.
"""
import sys

from desktop_common import ALT, CELL, CTRL, LEFT, RIGHT, near, wait_for
from wayland_desktop import TEST_CLIENT, desktop

KELVRA = sys.argv[1]
HALF_W, SCREEN_H, TOP = 720, 900, desktop.TOP_BAR


def max_size_kept(f):
    # The limit is the client's: GNOME's title bar comes on top of it, KWin's within it.
    if desktop.NAME == "GNOME":
        return near(f, x=0, y=TOP, w=500) and 400 <= f["h"] < 400 + 2 * CELL
    return near(f, x=0, y=TOP, w=500, h=400)


KINDS = [
    # The compositor's frame of such a window is its visible part.
    ("client-side decorations", ["--csd", "20,20,15,25"],
     lambda f: near(f, x=0, y=TOP, w=HALF_W, bottom=SCREEN_H)),
    ("minimum size", ["--min-size", "900x300"],
     lambda f: near(f, x=0, y=TOP, bottom=SCREEN_H) and f["w"] >= 900),
    ("maximum size", ["--max-size", "500x400"], max_size_kept),
]


def scenario(kelvra, keys, clients, log):
    for name, arguments, placed in KINDS:
        client = desktop.open_client([TEST_CLIENT, "--title", name, "--geometry",
                                      "400x300+500+300"] + arguments, name, keys)
        clients.append(client)
        keys.press(CTRL, ALT, LEFT)
        try:
            wait_for(name + " in the left half",
                     lambda: placed(desktop.window_of(client.pid)), 5)
        except AssertionError:
            raise AssertionError("%s: %r" % (name, desktop.window_of(client.pid)))
        print("%s: %r" % (name, desktop.window_of(client.pid)), flush=True)

    # Ctrl+Alt+Left on the active dialog leaves it where it was. Checked after a click on
    # an ordinary window below the dialog and Ctrl+Alt+Right on that: once it has moved,
    # the press on the dialog was handled too.
    dialog = desktop.open_client([TEST_CLIENT, "--title", "a dialog", "--type", "dialog",
                                  "--geometry", "300x200+600+400"], "a dialog", keys)
    clients.append(dialog)
    ordinary = clients[1].pid
    before = desktop.window_of(dialog.pid)
    keys.press(CTRL, ALT, LEFT)
    keys.click(700, 700)
    wait_for("the clicked window to have the focus", lambda: desktop.is_active(ordinary), 5)
    keys.press(CTRL, ALT, RIGHT)
    wait_for("the clicked window at the right half",
             lambda: near(desktop.window_of(ordinary), x=HALF_W), 5)
    after = desktop.window_of(dialog.pid)
    if any(after[k] != before[k] for k in ("x", "y", "w", "h")):
        raise AssertionError("the dialog moved: %r, was %r" % (after, before))
    print("the dialog stayed where it was", flush=True)


if __name__ == "__main__":
    sys.exit(desktop.run(KELVRA, scenario, "application kinds on " + desktop.NAME))
