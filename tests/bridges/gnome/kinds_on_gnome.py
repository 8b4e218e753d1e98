#!/usr/bin/python3
"""Kinds of X11 application windows through Xwayland on a real headless GNOME Shell (inside
scripts/gnome-session.sh --probe; the program's path is the argument), each pressed to the
left half: a window drawing its own decorations fills the zone with what the user sees of
it (its shadow outside), size limits are kept at the zone's corner, and a dialog is not
moved.
"""
import os
import sys

from gnome_desktop import (ALT, CELL, CTRL, LEFT, RIGHT, is_active, open_client, run, wait_for,
                           window_of)

KELVRA = sys.argv[1]
CLIENT = os.path.join(os.path.dirname(KELVRA), "..", "tests", "e2e", "kelvra-testclient")
HALF_W, SCREEN_H, TOP_BAR = 720, 900, 32


def scenario(kelvra, keys, clients, log):
    def within(f, w, h):
        return f["x"] < CELL and abs(f["y"] - TOP_BAR) < CELL and abs(f["w"] - w) < CELL and \
            abs(f["h"] - h) < CELL

    kinds = [
        # The shell's frame of such a window is its visible part.
        ("client-side decorations", ["--csd", "20,20,15,25"],
         lambda f: within(f, HALF_W, SCREEN_H - TOP_BAR)),
        ("minimum size", ["--min-size", "900x300"], lambda f: f["x"] < CELL and
         f["w"] >= 900 and abs(f["h"] - (SCREEN_H - TOP_BAR)) < CELL),
        # The limit is the client's: the shell's title bar comes on top of it.
        ("maximum size", ["--max-size", "500x400"],
         lambda f: within(f, 500, f["h"]) and 400 <= f["h"] < 400 + 2 * CELL),
    ]
    for name, arguments, placed in kinds:
        client = open_client([CLIENT, "--title", name, "--geometry", "400x300+500+300"] +
                             arguments, name, keys)
        clients.append(client)
        keys.press(CTRL, ALT, LEFT)
        try:
            wait_for(name + " in the left half", lambda: placed(window_of(client.pid)), 5)
        except AssertionError:
            raise AssertionError("%s: %r" % (name, window_of(client.pid)))
        print("%s: %r" % (name, window_of(client.pid)), flush=True)

    dialog = open_client([CLIENT, "--title", "a dialog", "--type", "dialog", "--geometry",
                          "300x200+600+400"], "a dialog", keys)
    clients.append(dialog)
    before = window_of(dialog.pid)
    keys.press(CTRL, ALT, LEFT)
    # Then to an ordinary window (clicked below the dialog): once that has moved, the
    # press on the dialog was handled too.
    ordinary = clients[1].pid
    keys.click(700, 700)
    wait_for("the clicked window to have the focus", lambda: is_active(ordinary), 5)
    keys.press(CTRL, ALT, RIGHT)
    wait_for("the clicked window at the right half", lambda: abs(
        window_of(ordinary)["x"] - HALF_W) < CELL, 5)
    frame = ("x", "y", "w", "h")
    if [window_of(dialog.pid)[k] for k in frame] != [before[k] for k in frame]:
        raise AssertionError("the dialog moved: %r, was %r" % (window_of(dialog.pid), before))
    print("the dialog stayed where it was", flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "application kinds on GNOME"))
