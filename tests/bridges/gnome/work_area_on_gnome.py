#!/usr/bin/python3
"""The work area on a real headless GNOME Shell (inside scripts/gnome-session.sh --probe; the
program's path is the argument). An X11 dock along the top edge (through Xwayland, with a
strut, as panels of X11 desktops are), deeper than the top bar, takes its height from the
work area: Kelvra's halves and maximize leave it free, for a Wayland and an X11 window.
"""
import os
import sys

from gnome_desktop import open_client, run, window_of
from desktop_checks import expect_dock_left_free  # noqa: E402 - on gnome_desktop's path

KELVRA = sys.argv[1]
CLIENT = os.path.join(os.path.dirname(KELVRA), "..", "tests", "e2e", "kelvra-testclient")
SCREEN_W, SCREEN_H, DOCK_H = 1440, 900, 80


def scenario(kelvra, keys, clients, log):
    def open_window(argv, name):
        return open_client(argv, name, keys)

    expect_dock_left_free(keys, window_of, open_window, clients, CLIENT, SCREEN_W, SCREEN_H,
                          DOCK_H)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "the work area on GNOME"))
