#!/usr/bin/python3
"""Kinds of X11 application windows through Xwayland on a real headless GNOME Shell (inside
scripts/gnome-session.sh --probe; the program's path is the argument), each pressed to the
left half: a window drawing its own decorations fills the zone with what the user sees of
it (its shadow outside), size limits are kept at the zone's corner, and a dialog is not
moved.
"""
import os
import sys

from gnome_desktop import CELL, is_active, open_client, run, window_of
from desktop_checks import (expect_dialog_kept,  # noqa: E402 - on gnome_desktop's path
                            expect_kinds_placed)

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
    def open_window(argv, name):
        return open_client(argv, name, keys)

    expect_kinds_placed(keys, window_of, open_window, clients, CLIENT, kinds)

    dialog = open_client([CLIENT, "--title", "a dialog", "--type", "dialog", "--geometry",
                          "300x200+600+400"], "a dialog", keys)
    clients.append(dialog)
    expect_dialog_kept(keys, window_of, is_active, keys.click, dialog.pid, clients[1].pid,
                       HALF_W)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "application kinds on GNOME"))
