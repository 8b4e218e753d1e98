#!/usr/bin/python3
"""Kelvra's shortcuts on a real headless Wayland desktop (inside scripts/kwin-session.sh or
scripts/gnome-session.sh --probe; the program's path is the argument).

Ctrl+Alt+Up is held by another program beforehand (on KWin registered with its global
shortcut service; GNOME binds it for workspace switching and the session frees only Left
and Right, as a user would): Kelvra reports it as taken and tells it once without a window
of its own (on KWin as a notification to a stand-in server, whose action opens the
shortcuts tab; on GNOME the tab comes from a second start), where a combination recorded
snaps. Then a Wayland terminal and an X11 one
through Xwayland, one at a time: Ctrl+Alt+Right puts each on the right half of the work
area, and three presses of Ctrl+Alt+Left on the left half, two thirds and one third.
Terminals round their size to character cells, so sizes are compared with a cell's
tolerance. Kelvra's zone preview, one of its own windows, shows on the right half, kept
above the others. Last, `kelvra --remove-desktop-bridge` stops the bridge and removes the
user's copy of its package.
"""
import json
import os
import select
import subprocess
import sys
import time

import dbus

from desktop_common import (ALT, CELL, CTRL, LEFT, RIGHT, SPACE, kelvra_env, log_text, near,
                            settings_file, stop, wait_for)
from wayland_desktop import HERE, desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP = 1440, 900, desktop.TOP_BAR  # a monitor, logical pixels
TAB, Y = 15, 21  # evdev codes
CTRL_ALT_LEFT = 0x04000000 | 0x08000000 | 0x01000012  # as the toolkit combines keys
CTRL_ALT_UP = 0x04000000 | 0x08000000 | 0x01000013


def expect_snap(keys, pid, name, key, x, fraction):
    keys.press(CTRL, ALT, key)
    want = SCREEN_W * fraction
    try:
        wait_for("%s at x %d, %.0f px wide" % (name, x, want), lambda: near(
            desktop.window_of(pid), x=x, y=TOP, w=want, bottom=SCREEN_H), 5)
    except AssertionError:
        raise AssertionError("%s: %r, wanted x≈%d w≈%.0f" % (
            name, desktop.window_of(pid), x, want))
    print("%s snapped to x %d, %.0f px wide" % (name, x, want), flush=True)


def notice_told(notices):
    """The notification the stand-in server got: naming the combination, with an action."""
    ready, _, _ = select.select([notices.stdout], [], [], 10)
    line = notices.stdout.readline() if ready else ""
    if not line.startswith("notify "):
        raise AssertionError("no notification: %r" % line)
    notice = json.loads(line[len("notify "):])
    if "Ctrl+Alt+↑" not in notice["summary"] + notice["body"] or not notice["actions"]:
        raise AssertionError("the notification does not name it or offers no action: %r"
                             % notice)
    return notice


def record_shortcut(kelvra, keys, pid, open_shortcuts):
    """Ctrl+Alt+Y recorded for the left half in the settings window (the first row of the
    shortcuts tab) is stored and, once the window gives the keys back, snaps a window."""
    open_shortcuts()
    wait_for("the settings window to have the focus", lambda: desktop.is_active(kelvra.pid), 10)
    time.sleep(0.5)  # its first frame drawn: its widgets take keys
    keys.press(TAB)
    keys.press(SPACE)  # starts recording
    time.sleep(0.3)
    keys.press(CTRL, ALT, Y)

    def stored():
        with open(settings_file()) as f:
            row = json.load(f).get("shortcuts", {}).get("$json", {}).get("snapLeftHalf", {})
        return row.get("keyCode") == 16 and row.get("carbonModifiers") == 6144

    wait_for("the recorded combination in the settings file", stored, 5)
    f = desktop.window_of(pid)  # a third of the screen wide at the left, below the settings
    keys.click(f["x"] + 40, f["y"] + f["h"] - 40)
    wait_for("the terminal to have the focus", lambda: desktop.is_active(pid), 5)

    # Held once the recording has ended; a press before that goes to the terminal.
    def snapped():
        keys.press(CTRL, ALT, Y)
        time.sleep(0.5)
        return near(desktop.window_of(pid), x=0, w=SCREEN_W / 2)

    wait_for("the terminal in the left half by the recorded combination", snapped, 10)
    print("a shortcut recorded in the settings window snaps", flush=True)


def scenario(kelvra, keys, clients, log, notices):
    if desktop.NAME == "KWin":
        wait_for("Kelvra's shortcuts", lambda: desktop.kelvra_holds(CTRL_ALT_LEFT), 20)
    wait_for("Kelvra to report Ctrl+Alt+Up as held elsewhere", lambda: any(
        "held by another program" in line and line.rstrip().endswith("Ctrl+Alt+↑")
        for line in log_text(log).splitlines()), 5)
    wait_for("Kelvra to tell the taken shortcut", lambda: "told: " in log_text(log), 10)
    if any(w["pid"] == kelvra.pid for w in desktop.windows()):
        raise AssertionError("Kelvra opened a window about the taken shortcut")
    notice = notice_told(notices) if notices else None

    for argv, name, x11 in ((["weston-terminal"], "the Wayland terminal", False),
                            (["xterm", "-geometry", "60x20+300+200"], "the X11 terminal", True)):
        if clients:  # two snapped windows side by side would form a tile group
            stop(clients)
        client = desktop.open_client(argv, name, keys)
        clients.append(client)
        # GNOME's probe tells which windows Xwayland holds.
        if desktop.NAME == "GNOME" and desktop.window_of(client.pid)["x11"] != x11:
            raise AssertionError("%s is not the kind of window wanted: %r"
                                 % (name, desktop.windows()))
        expect_snap(keys, client.pid, name, RIGHT, SCREEN_W / 2, 1 / 2)
        for fraction in (1 / 2, 2 / 3, 1 / 3):
            expect_snap(keys, client.pid, name, LEFT, 0, fraction)

    def open_shortcuts():
        if notice:  # the notification's action, as the user clicks it
            notices.stdin.write("invoke %d %s\n" % (notice["id"], notice["actions"][0]))
            notices.stdin.flush()
        else:  # the shell's own notification: the tab from a second start instead
            subprocess.Popen([KELVRA, "--settings=shortcuts"], env=kelvra_env())

    record_shortcut(kelvra, keys, clients[-1].pid, open_shortcuts)

    # Kelvra's own panels are Wayland windows that the bridge places and keeps above.
    subprocess.run([KELVRA, "--show-zone=rightHalf"], env=kelvra_env(), check=True)

    def preview():
        w = near(desktop.window_of(kelvra.pid, "Kelvra zone preview"), x=SCREEN_W / 2)
        return w and w["above"]

    wait_for("the zone preview on the right half, kept above", preview, 5)
    print("the zone preview was placed on the right half", flush=True)


def bridge_removed():
    """The status of `kelvra --remove-desktop-bridge`, after checking what it left."""
    status = subprocess.run([KELVRA, "--remove-desktop-bridge"]).returncode
    if desktop.NAME == "KWin":
        scripting = dbus.Interface(dbus.SessionBus().get_object("org.kde.KWin", "/Scripting"),
                                   "org.kde.kwin.Scripting")
        running = bool(scripting.isScriptLoaded("kelvra-bridge"))
    else:
        running = "kelvra-bridge@orvane.com" in subprocess.run(
            ["gsettings", "get", "org.gnome.shell", "enabled-extensions"],
            capture_output=True, text=True).stdout
    if status or running or os.path.exists(os.path.dirname(desktop.BRIDGE_FILE)):
        print("FAILED: the bridge is still there:", status, running, file=sys.stderr)
        return 1
    print("the bridge was stopped and removed")
    return 0


def main():
    notices = None
    if desktop.NAME == "KWin":
        other = ["other", "up", "Other", "Up"]
        accel = desktop.kglobalaccel()
        accel.doRegister(other)
        accel.setShortcut(other, dbus.Array([dbus.Int32(CTRL_ALT_UP)], signature="i"),
                          dbus.UInt32(6))
        # The desktop's notification server, stood in for (GNOME Shell is its own).
        notices = subprocess.Popen([sys.executable, os.path.join(HERE, "kwin", "notify_host.py")],
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if notices.stdout.readline().strip() != "ready":
            print("FAILED: the notification server did not start", file=sys.stderr)
            return 1
    try:
        status = desktop.run(KELVRA, lambda *running: scenario(*running, notices),
                             "shortcuts on " + desktop.NAME)
    finally:
        if notices:
            notices.stdin.close()
            stop([notices])
    return status or bridge_removed()


if __name__ == "__main__":
    sys.exit(main())
