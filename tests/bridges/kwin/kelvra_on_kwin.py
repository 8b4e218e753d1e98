#!/usr/bin/python3
"""Kelvra on a real headless KWin (run inside scripts/kwin-session.sh, with the program's
path as the argument).

Starts kelvra in the Wayland session, opens a Wayland terminal and an X11 one through
Xwayland, and presses Kelvra's left-half shortcut (Ctrl+Alt+Left) on each with real key
presses (KWin's fake-input protocol). Each press must snap the active window to the left half of the
work area, and the next two presses cycle it to two thirds and one third. Frames are read
back from KWin itself: a throwaway KWin script prints them into KWin's log. Terminals
round their size to character cells, so sizes are compared with a cell's tolerance.
A combination another program holds beforehand is told once, as a notification (a stand-in
server) without a window; its action opens the shortcuts tab, where a combination recorded
snaps.
Then the zone preview (one of Kelvra's own windows) must show on the right half, kept
above the others. Last, `kelvra --remove-desktop-bridge` must stop the bridge and remove its package.
"""
import json
import os
import select
import subprocess
import sys
import time

import dbus

from kwin_desktop import (ALT, CELL, CTRL, LEFT, SPACE, Input, bus, is_active, kelvra_env,
                          kwin_windows, log_text, open_client, start_kelvra, stop, wait_for,
                          window_of)

KELVRA = sys.argv[1]
HERE = os.path.dirname(os.path.abspath(__file__))
TAB, Y = 15, 21  # evdev codes
CTRL_ALT_LEFT = 0x04000000 | 0x08000000 | 0x01000012  # as the toolkit combines keys
CTRL_ALT_Y = 0x04000000 | 0x08000000 | 0x59
keys = None


def expect_cycle(pid, name, screen_w):
    # Left half, two thirds, one third: the width is the part of the screen's width
    # (gaps and the terminal's rounding stay within a cell).
    for fraction in (1 / 2, 2 / 3, 1 / 3):
        keys.press(CTRL, ALT, LEFT)
        want = screen_w * fraction

        def snapped():
            f = window_of(pid)
            return f if f and f["x"] < CELL and abs(f["w"] - want) < CELL else None

        try:
            wait_for("%s at %.0f px wide" % (name, want), snapped, 5)
        except AssertionError:
            raise AssertionError("%s: %r, wanted x≈0 w≈%.0f" % (name, window_of(pid), want))
        print("%s snapped to %.0f px wide" % (name, want), flush=True)


def record_shortcut(kelvra, pid, open_shortcuts):
    """Ctrl+Alt+Y recorded for the left half in the settings window (the first row of the
    shortcuts tab) is stored and, once the window gives the keys back, snaps a window."""
    open_shortcuts()
    wait_for("the settings window to have the focus",
             lambda: kwin_windows()["active"] == "Settings — Kelvra", 10)
    time.sleep(0.5)  # its first frame drawn: its widgets take keys
    keys.press(TAB)
    keys.press(SPACE)  # starts recording
    time.sleep(0.3)
    keys.press(CTRL, ALT, Y)
    settings = os.path.join(os.environ["XDG_CONFIG_HOME"], "kelvra", "com.orvane.Kelvra.json")

    def stored():
        with open(settings) as f:
            row = json.load(f).get("shortcuts", {}).get("$json", {}).get("snapLeftHalf", {})
        return row.get("keyCode") == 16 and row.get("carbonModifiers") == 6144

    wait_for("the recorded combination in the settings file", stored, 5)
    f = window_of(pid)  # a third of the screen wide at the left, clear of the settings window
    keys.move(f["x"] + 40, f["y"] + f["h"] // 2)
    keys.send("button 1")
    keys.send("button 0")
    wait_for("the terminal to have the focus", lambda: is_active(pid), 5)
    # Registered with the global shortcut service once the recording has ended.
    accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                           "org.kde.KGlobalAccel")
    wait_for("the recorded combination registered", lambda: [
        str(a) for a in accel.action(CTRL_ALT_Y)][:1] == ["kelvra"], 10)
    keys.press(CTRL, ALT, Y)
    wait_for("the terminal in the left half by the recorded combination",
             lambda: abs(window_of(pid)["w"] - 720) < CELL, 5)
    print("a shortcut recorded in the settings window snaps", flush=True)


def main():
    global keys
    # Another program holds Ctrl+Alt+Up: Kelvra must say so, and keep the others.
    accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                           "org.kde.KGlobalAccel")
    other = ["other", "up", "Other", "Up"]
    accel.doRegister(other)
    accel.setShortcut(other, dbus.Array([dbus.Int32(0x0C000000 | 0x01000013)], signature="i"),
                      dbus.UInt32(6))
    env = kelvra_env()
    # The desktop's notification server, stood in for.
    notices = subprocess.Popen([sys.executable, os.path.join(HERE, "notify_host.py")],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    if notices.stdout.readline().strip() != "ready":
        print("FAILED: the notification server did not start", file=sys.stderr)
        return 1
    kelvra, kelvra_log = start_kelvra(KELVRA, {})
    keys = Input()
    clients = []
    try:
        wait_for("Kelvra's shortcuts",
                 lambda: [str(a) for a in accel.action(CTRL_ALT_LEFT)][:1] == ["kelvra"], 20)
        def reported_taken():
            kelvra_log.seek(0)
            return any("held by another program" in line and line.rstrip().endswith("Ctrl+Alt+↑")
                       for line in kelvra_log)

        wait_for("Kelvra to report Ctrl+Alt+Up as held elsewhere", reported_taken, 5)

        def told():
            kelvra_log.seek(0)
            return any("told: " in line for line in kelvra_log)

        # Told once, as a notification with an action, without a window of its own.
        wait_for("Kelvra to tell the taken shortcut", told, 10)
        ready, _, _ = select.select([notices.stdout], [], [], 10)
        line = notices.stdout.readline() if ready else ""
        if not line.startswith("notify "):
            raise AssertionError("no notification: %r" % line)
        notice = json.loads(line[len("notify "):])
        if "Ctrl+Alt+↑" not in notice["summary"] + notice["body"] or not notice["actions"]:
            raise AssertionError("the notification does not name it or offers no action: %r"
                                 % notice)
        if any(w["pid"] == kelvra.pid for w in kwin_windows()["windows"]):
            raise AssertionError("Kelvra opened a window about the taken shortcut")

        def open_shortcuts():
            # The notification's action, as the user clicks it.
            notices.stdin.write("invoke %d %s\n" % (notice["id"], notice["actions"][0]))
            notices.stdin.flush()
        screen_w = 1440
        for argv, name in ((["weston-terminal"], "Wayland terminal"),
                           (["xterm", "-geometry", "60x20+300+200"], "X11 terminal")):
            client = open_client(argv, name)
            clients.append(client)
            expect_cycle(client.pid, name, screen_w)
        if kelvra.poll() is not None:
            raise AssertionError("kelvra ended early")
        record_shortcut(kelvra, clients[-1].pid, open_shortcuts)
        # Kelvra's own panels are Wayland windows that the bridge places and keeps above.
        subprocess.run([KELVRA, "--show-zone=rightHalf"], env=env, check=True)

        def preview():
            for w in kwin_windows()["windows"]:
                if w["pid"] == kelvra.pid and w["caption"] == "Kelvra zone preview":
                    return w if w["above"] and abs(w["x"] - screen_w / 2) < CELL else None
            return None

        wait_for("the zone preview on the right half, kept above", preview, 5)
        print("the zone preview was placed on the right half", flush=True)
        # Removing the bridge stops it in KWin and takes the user's copy away.
        subprocess.run([KELVRA, "--remove-desktop-bridge"], env=env, check=True)
        scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"),
                                   "org.kde.kwin.Scripting")
        if scripting.isScriptLoaded("kelvra-bridge"):
            raise AssertionError("the bridge still runs after --remove-desktop-bridge")
        if os.path.exists(os.path.join(os.environ["XDG_DATA_HOME"], "kwin/scripts/kelvra-bridge")):
            raise AssertionError("the bridge's package is still installed")
        print("kelvra on KWin: passed")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure is reported with the logs
        print("FAILED:", e, "\n--- kelvra's log ---\n" + log_text(kelvra_log), file=sys.stderr)
        return 1
    finally:
        keys.close()
        stop(clients + [kelvra])
        notices.stdin.close()
        stop([notices])


if __name__ == "__main__":
    sys.exit(main())
