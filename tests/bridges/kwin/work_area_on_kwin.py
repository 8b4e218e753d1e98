#!/usr/bin/python3
"""The work area on a real headless KWin (inside scripts/kwin-session.sh --fake-input; the
program's path is the argument). An X11 dock along the top edge (through Xwayland, with a
strut, as panels of X11 desktops are) takes its height from the work area: Kelvra's
halves and maximize leave it free, for a Wayland and an X11 window alike.
"""
import os
import subprocess
import sys

from kwin_desktop import open_client, run, wait_for, window_of
from desktop_checks import expect_half_and_maximize  # noqa: E402 - on kwin_desktop's path

KELVRA = sys.argv[1]
CLIENT = os.path.join(os.path.dirname(KELVRA), "..", "tests", "e2e", "kelvra-testclient")
SCREEN_W, SCREEN_H, DOCK_H = 1440, 900, 40


def scenario(kelvra, keys, clients):
    dock = subprocess.Popen([CLIENT, "--title", "dock", "--type", "dock", "--geometry",
                             "%dx%d+0+0" % (SCREEN_W, DOCK_H), "--strut-top", str(DOCK_H)])
    clients.append(dock)
    wait_for("the dock", lambda: window_of(dock.pid), 10)
    for argv, name in ((["weston-terminal"], "Wayland terminal"),
                       (["xterm", "-geometry", "60x20+300+200"], "X11 terminal")):
        client = open_client(argv, name)
        clients.append(client)
        expect_half_and_maximize(keys, window_of, client.pid, name, SCREEN_W, DOCK_H,
                                 SCREEN_H)
        print("%s: half and maximize leave the dock free" % name, flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "the work area on KWin"))
