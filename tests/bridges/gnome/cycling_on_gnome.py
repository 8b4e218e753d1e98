#!/usr/bin/python3
"""Cycling, restore and next display on a real headless GNOME Shell with two monitors
side by side (inside scripts/gnome-session.sh --probe --monitors 2; the program's path is
the argument). For a Wayland terminal and an Xwayland one: three presses of Ctrl+Alt+Left
give the left half, two thirds and one third of the work area below the top bar;
Ctrl+Alt+BackSpace puts the window back where it was before; Ctrl+Alt+Left then Ctrl+Alt+N
moves the half onto the second monitor, which has no top bar.
"""
import sys

from gnome_desktop import (ALT, CTRL, LEFT, near, open_client, run, stop, wait_for,
                           window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP_BAR = 1440, 900, 32  # each monitor, logical pixels
BACKSPACE, KEY_N = 14, 49  # evdev


def expect(pid, name, what, x, y, w, h):
    try:
        wait_for("%s %s" % (name, what), lambda: near(window_of(pid), x=x, y=y, w=w, h=h), 5)
    except AssertionError:
        raise AssertionError("%s, wanted %s: %r" % (name, what, window_of(pid)))
    print("%s: %s" % (name, what), flush=True)


def scenario(kelvra, keys, clients, log):
    # One at a time: two snapped windows side by side would form a tile group.
    for argv, name in ((["weston-terminal"], "the Wayland terminal"),
                       (["xterm", "-geometry", "60x20+300+200"], "the Xwayland terminal")):
        client = open_client(argv, name, keys)
        clients.append(client)
        before = window_of(client.pid)
        for fraction, what in ((1 / 2, "left half"), (2 / 3, "left two thirds"),
                               (1 / 3, "left third")):
            keys.press(CTRL, ALT, LEFT)
            expect(client.pid, name, what, 0, TOP_BAR, SCREEN_W * fraction, SCREEN_H - TOP_BAR)
        keys.press(CTRL, ALT, BACKSPACE)
        expect(client.pid, name, "restored", before["x"], before["y"], before["w"], before["h"])
        keys.press(CTRL, ALT, LEFT)
        expect(client.pid, name, "left half", 0, TOP_BAR, SCREEN_W / 2, SCREEN_H - TOP_BAR)
        keys.press(CTRL, ALT, KEY_N)
        expect(client.pid, name, "left half of the second monitor", SCREEN_W, 0, SCREEN_W / 2,
               SCREEN_H)
        stop([client])


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "cycling, restore and next display on GNOME"))
