#!/usr/bin/python3
"""Kinds of X11 application windows through Xwayland on a real headless KWin (inside
scripts/kwin-session.sh --fake-input; the program's path is the argument), each pressed
to the left half: a window drawing its own decorations fills the zone with what the user
sees of it (its shadow outside), size limits are kept at the zone's corner, and a dialog
is not moved.
"""
import os
import sys

from kwin_desktop import CELL, is_active, open_client, run, window_of
from desktop_checks import (expect_dialog_kept,  # noqa: E402 - on kwin_desktop's path
                            expect_kinds_placed)

KELVRA = sys.argv[1]
CLIENT = os.path.join(os.path.dirname(KELVRA), "..", "tests", "e2e", "kelvra-testclient")
HALF_W, SCREEN_H = 720, 900


def scenario(kelvra, keys, clients):
    def within(f, w, h):
        return f["x"] < CELL and f["y"] < CELL and abs(f["w"] - w) < CELL and \
            abs(f["h"] - h) < CELL

    kinds = [
        # KWin's frame of such a window is its visible part.
        ("client-side decorations", ["--csd", "20,20,15,25"],
         lambda f: within(f, HALF_W, SCREEN_H)),
        ("minimum size", ["--min-size", "900x300"],
         lambda f: f["x"] < CELL and f["w"] >= 900 and abs(f["h"] - SCREEN_H) < CELL),
        ("maximum size", ["--max-size", "500x400"], lambda f: within(f, 500, 400)),
    ]
    expect_kinds_placed(keys, window_of, open_client, clients, CLIENT, kinds)

    dialog = open_client([CLIENT, "--title", "a dialog", "--type", "dialog", "--geometry",
                          "300x200+600+400"], "a dialog")
    clients.append(dialog)

    def click(x, y):
        keys.move(x, y)
        keys.send("button 1")
        keys.send("button 0")

    expect_dialog_kept(keys, window_of, is_active, click, dialog.pid, clients[1].pid, HALF_W)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "application kinds on KWin"))
