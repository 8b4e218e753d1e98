#!/usr/bin/python3
"""Kelvra on a real headless GNOME Shell (run inside scripts/gnome-session.sh --probe, with
the program's path as the argument).

GNOME itself binds Ctrl+Alt+arrows (workspace switching): the session frees Left and
Right, as a user would, and leaves Ctrl+Alt+Up to GNOME, which Kelvra must report as taken.
Starts kelvra, which must choose its GNOME backend and be greeted by the extension; opens
a Wayland terminal and an X11 one through Xwayland, and presses Kelvra's left-half and
right-half shortcuts (Ctrl+Alt+Left, Ctrl+Alt+Right) on each with real key presses
(mutter's RemoteDesktop). Each press must put the active window on that half of the work
area below the top bar. Frames are read back from the shell through the tests' probe
extension; terminals round their size to character cells, so sizes are compared with a
cell's tolerance. Last, `kelvra --remove-desktop-bridge` must disable the extension in
GSettings and remove the user's copy.
"""
import os
import subprocess
import sys

from gnome_desktop import (ALT, CELL, CTRL, LEFT, RIGHT, desktop, focus, log_text,
                           open_client, run, stop, wait_for, window_of)

KELVRA = sys.argv[1]
# The virtual monitor (scripts/gnome-session.sh) and the work area under the top bar.
SCREEN_W, SCREEN_H = 1440, 900


def expect_half(keys, pid, name, key, left):
    focus(keys, pid, name)
    keys.press(CTRL, ALT, key)
    want_x = 0 if left else SCREEN_W // 2

    def snapped():
        f = window_of(pid)
        return (f if f and abs(f["x"] - want_x) < CELL and abs(f["w"] - SCREEN_W / 2) < CELL
                and f["y"] < 60 and f["y"] + f["h"] > SCREEN_H - CELL else None)

    try:
        wait_for("%s on the %s half" % (name, "left" if left else "right"), snapped, 5)
    except AssertionError:
        raise AssertionError("%s: %r" % (name, window_of(pid)))
    print("%s snapped to the %s half" % (name, "left" if left else "right"), flush=True)


def scenario(kelvra, keys, clients, log):
    wait_for("Kelvra to report Ctrl+Alt+Up as held elsewhere", lambda: any(
        "held by another program" in line and line.rstrip().endswith("Ctrl+Alt+↑")
        for line in log_text(log).splitlines()), 5)
    # Told without a window of its own (a notification, else the tray): none appears.
    wait_for("Kelvra to tell the taken shortcut",
             lambda: "told: " in log_text(log), 10)
    if any(w["title"] == "Kelvra" for w in desktop()["windows"]):
        raise AssertionError("Kelvra opened a window about the taken shortcut")
    # One at a time: two halves side by side would form a tile group, which a half
    # shortcut treats differently.
    for argv, name, x11 in ((["weston-terminal"], "the Wayland terminal", False),
                            (["xterm"], "the Xwayland terminal", True)):
        client = open_client(argv, name, keys)
        clients.append(client)
        if window_of(client.pid)["x11"] != x11:
            raise AssertionError("%s is not the kind of window wanted: %r" % (name, desktop()))
        expect_half(keys, client.pid, name, LEFT, True)
        expect_half(keys, client.pid, name, RIGHT, False)
        stop([client])


def removed():
    """The status of `kelvra --remove-desktop-bridge`, after checking what it left."""
    status = subprocess.run([KELVRA, "--remove-desktop-bridge"]).returncode
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "gnome-shell/extensions/" + UUID)
    enabled = subprocess.run(["gsettings", "get", "org.gnome.shell", "enabled-extensions"],
                             capture_output=True, text=True).stdout
    if status or os.path.exists(folder) or UUID in enabled:
        print("FAILED: the extension is still there:", status, enabled, file=sys.stderr)
        return 1
    print("the extension was disabled and removed")
    return 0


UUID = "kelvra-bridge@orvane.com"
sys.exit(run(KELVRA, scenario, "shortcuts on GNOME") or removed())
