#!/usr/bin/python3
"""The work area on a real headless GNOME Shell (inside scripts/gnome-session.sh --probe; the
program's path is the argument). An X11 dock along the top edge (through Xwayland, with a
strut, as panels of X11 desktops are), deeper than the top bar, takes its height from the
work area: Kelvra's halves and maximize leave it free, for a Wayland and an X11 window.
"""
import os
import subprocess
import sys

from gnome_desktop import open_client, run, wait_for, window_of
from desktop_checks import expect_half_and_maximize  # noqa: E402 - on gnome_desktop's path

KELVRA = sys.argv[1]
CLIENT = os.path.join(os.path.dirname(KELVRA), "..", "tests", "e2e", "kelvra-testclient")
SCREEN_W, SCREEN_H, DOCK_H = 1440, 900, 80


def scenario(kelvra, keys, clients, log):
    dock = subprocess.Popen([CLIENT, "--title", "dock", "--type", "dock", "--geometry",
                             "%dx%d+0+0" % (SCREEN_W, DOCK_H), "--strut-top", str(DOCK_H)])
    clients.append(dock)
    wait_for("the dock", lambda: window_of(dock.pid), 10)
    for argv, name in ((["weston-terminal"], "the Wayland terminal"),
                       (["xterm", "-geometry", "60x20+300+200"], "the X11 terminal")):
        client = open_client(argv, name, keys)
        clients.append(client)
        expect_half_and_maximize(keys, window_of, client.pid, name, SCREEN_W, DOCK_H,
                                 SCREEN_H)
        print("%s: half and maximize leave the dock free" % name, flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "the work area on GNOME"))
