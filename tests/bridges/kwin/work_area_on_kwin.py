#!/usr/bin/python3
"""The work area on a real headless KWin (inside scripts/kwin-session.sh --fake-input; the
program's path is the argument). An X11 dock along the top edge (through Xwayland, with a
strut, as panels of X11 desktops are) takes its height from the work area: Kelvra's
halves and maximize leave it free, for a Wayland and an X11 window alike.
"""
import os
import sys

from kwin_desktop import open_client, run, window_of
from desktop_checks import expect_dock_left_free  # noqa: E402 - on kwin_desktop's path

KELVRA = sys.argv[1]
CLIENT = os.path.join(os.path.dirname(KELVRA), "..", "tests", "e2e", "kelvra-testclient")
SCREEN_W, SCREEN_H, DOCK_H = 1440, 900, 40


def scenario(kelvra, keys, clients):
    expect_dock_left_free(keys, window_of, open_client, clients, CLIENT, SCREEN_W, SCREEN_H,
                          DOCK_H)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "the work area on KWin"))
