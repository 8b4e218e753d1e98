#!/usr/bin/python3
"""Kelvra on a real headless KWin (run inside scripts/kwin-session.sh, with the program's
path as the argument).

Starts kelvra in the Wayland session, opens a Wayland terminal and an X11 one through
Xwayland, and presses Kelvra's left-half shortcut (Ctrl+Alt+Left) on each through KDE's
global shortcut service. Each press must snap the active window to the left half of the
work area, and the next two presses cycle it to two thirds and one third. Frames are read
back from KWin itself: a throwaway KWin script prints them into KWin's log. Terminals
round their size to character cells, so sizes are compared with a cell's tolerance.
A combination another program holds beforehand is reported as taken.
Then the zone preview (one of Kelvra's own windows) must show on the right half, kept
above the others. Last, `kelvra --remove-desktop-bridge` must stop the bridge and remove its package.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import dbus

KELVRA = sys.argv[1]
LOG = os.environ["KELVRA_KWIN_LOG"]
CELL = 24  # wider than a terminal's character cell
CTRL_ALT_LEFT = 0x04000000 | 0x08000000 | 0x01000012  # as the toolkit combines keys
bus = dbus.SessionBus()
dumps = 0


def wait_for(what, predicate, limit=20.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def kwin_windows():
    """Every window KWin has, with its frame, and the active one's caption."""
    global dumps
    dumps += 1
    marker = "kelvra-e2e-%d" % dumps
    script = tempfile.NamedTemporaryFile("w", suffix=".js", delete=False)
    script.write(
        "var out = {active: workspace.activeClient ? workspace.activeClient.caption : '',"
        " windows: []};\n"
        "workspace.clientList().forEach(function (c) { var g = c.frameGeometry;"
        " out.windows.push({caption: c.caption, pid: c.pid, normal: c.normalWindow,"
        " above: c.keepAbove, x: g.x, y: g.y, w: g.width, h: g.height}); });\n"
        "print('%s ' + JSON.stringify(out));\n" % marker)
    script.close()
    scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"),
                               "org.kde.kwin.Scripting")
    scripting.loadScript(script.name, marker, signature="ss")
    scripting.start()

    def read():
        with open(LOG, errors="replace") as log:
            for line in log:
                at = line.find(marker + " ")
                if at >= 0:
                    return json.loads(line[at + len(marker) + 1:])
        return None

    result = wait_for("KWin to print the windows", read, 5)
    scripting.unloadScript(marker)
    os.unlink(script.name)
    return result


def press_left():
    accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                           "org.kde.KGlobalAccel")
    action = [str(a) for a in accel.action(CTRL_ALT_LEFT)]
    if len(action) < 2 or action[0] != "kelvra":
        raise AssertionError("Ctrl+Alt+Left is not Kelvra's: %r" % action)
    component = dbus.Interface(bus.get_object("org.kde.kglobalaccel",
                                              "/component/kelvra"),
                               "org.kde.kglobalaccel.Component")
    component.invokeShortcut(action[1], "default", signature="ss")


def frame_of(pid):
    for w in kwin_windows()["windows"]:
        if w["pid"] == pid:
            return w
    return None


def expect_cycle(pid, name, screen_w):
    # Left half, two thirds, one third: the width is the part of the screen's width
    # (gaps and the terminal's rounding stay within a cell).
    for fraction in (1 / 2, 2 / 3, 1 / 3):
        press_left()
        want = screen_w * fraction

        def snapped():
            f = frame_of(pid)
            return f if f and f["x"] < CELL and abs(f["w"] - want) < CELL else None

        try:
            wait_for("%s at %.0f px wide" % (name, want), snapped, 5)
        except AssertionError:
            raise AssertionError("%s: %r, wanted x≈0 w≈%.0f" % (name, frame_of(pid), want))
        print("%s snapped to %.0f px wide" % (name, want), flush=True)


def main():
    config = os.path.join(os.environ["XDG_CONFIG_HOME"], "kelvra")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "com.orvane.Kelvra.json"), "w") as f:
        json.dump({"hasCompletedOnboarding": True, "snapAssistEnabled": False}, f)
    # Another program holds Ctrl+Alt+Up: Kelvra must say so, and keep the others.
    accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                           "org.kde.KGlobalAccel")
    other = ["other", "up", "Other", "Up"]
    accel.doRegister(other)
    accel.setShortcut(other, dbus.Array([dbus.Int32(0x0C000000 | 0x01000013)], signature="i"),
                      dbus.UInt32(6))
    env = dict(os.environ, XDG_SESSION_TYPE="wayland")
    env.pop("QT_QPA_PLATFORM", None)
    kelvra_log = open(os.path.join(os.environ["HOME"], "kelvra.log"), "w+")
    kelvra = subprocess.Popen([KELVRA], env=env, stdout=kelvra_log, stderr=subprocess.STDOUT)
    clients = []
    try:
        wait_for("Kelvra's shortcuts",
                 lambda: [str(a) for a in accel.action(CTRL_ALT_LEFT)][:1] == ["kelvra"], 20)
        # The bridge started with KWin and says hello again a few seconds after its first
        # one found nobody.
        wait_for("the bridge to connect", lambda: "connected to Kelvra (pid %d)" % kelvra.pid
                 in open(LOG, errors="replace").read(), 30)
        def reported_taken():
            kelvra_log.seek(0)
            return any("held by another program" in line and line.rstrip().endswith("Ctrl+Alt+↑")
                       for line in kelvra_log)

        wait_for("Kelvra to report Ctrl+Alt+Up as held elsewhere", reported_taken, 5)
        # It says so in a window too, which takes the focus: the terminals come after it.
        wait_for("Kelvra's alert", lambda: any(
            w["pid"] == kelvra.pid for w in kwin_windows()["windows"]), 10)
        screen_w = 1440
        for argv, name in ((["weston-terminal"], "Wayland terminal"),
                           (["xterm", "-geometry", "60x20+300+200"], "X11 terminal")):
            client = subprocess.Popen(argv, stderr=subprocess.DEVNULL)
            clients.append(client)
            def active():
                desktop = kwin_windows()
                return any(w["pid"] == client.pid and w["caption"] == desktop["active"]
                           for w in desktop["windows"])

            wait_for(name + " to be active", active, 20)
            expect_cycle(client.pid, name, screen_w)
        if kelvra.poll() is not None:
            raise AssertionError("kelvra ended early")
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
        kelvra_log.seek(0)
        print("FAILED:", e, "\n--- kelvra's log ---\n" + kelvra_log.read(), file=sys.stderr)
        return 1
    finally:
        for c in clients:
            c.terminate()
        kelvra.terminate()
        try:
            kelvra.wait(10)
        except subprocess.TimeoutExpired:
            kelvra.kill()


if __name__ == "__main__":
    sys.exit(main())
