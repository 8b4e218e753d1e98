#!/usr/bin/python3
"""The work area on a real headless Wayland desktop (inside scripts/kwin-session.sh or
scripts/gnome-session.sh --probe; the program's path is the argument). An X11 dock along
the top edge (through Xwayland, with a strut, as panels of X11 desktops are), deeper than
GNOME's top bar, takes its height from the work area: Kelvra's halves and maximize leave
it free, for a Wayland and an X11 window alike.
"""
import subprocess
import sys

from desktop_common import ALT, CTRL, LEFT, RETURN, near, wait_for
from wayland_desktop import TEST_CLIENT, desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, DOCK_H = 1440, 900, 80


def scenario(kelvra, keys, clients, log):
    dock = subprocess.Popen([TEST_CLIENT, "--title", "dock", "--type", "dock", "--geometry",
                             "%dx%d+0+0" % (SCREEN_W, DOCK_H), "--strut-top", str(DOCK_H)])
    clients.append(dock)
    wait_for("the dock", lambda: desktop.window_of(dock.pid), 10)
    for argv, name in ((["weston-terminal"], "the Wayland terminal"),
                       (["xterm", "-geometry", "60x20+300+200"], "the X11 terminal")):
        client = desktop.open_client(argv, name, keys)
        clients.append(client)
        # The left half, then the whole width: each from the dock down to the bottom.
        for key, width in ((LEFT, SCREEN_W / 2), (RETURN, SCREEN_W)):
            keys.press(CTRL, ALT, key)
            try:
                wait_for("%s below the dock, %d wide" % (name, width), lambda: near(
                    desktop.window_of(client.pid), y=DOCK_H, w=width, bottom=SCREEN_H), 5)
            except AssertionError:
                raise AssertionError("%s: %r" % (name, desktop.window_of(client.pid)))
        print("%s: half and maximize leave the dock free" % name, flush=True)


if __name__ == "__main__":
    sys.exit(desktop.run(KELVRA, scenario, "the work area on " + desktop.NAME))
