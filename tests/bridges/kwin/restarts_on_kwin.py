#!/usr/bin/python3
"""Both sides restarting on a real headless KWin (run inside scripts/kwin-session.sh, with
the program's path as the argument).

Kelvra restarting: killed outright and started again, the bridge says hello to the new
instance, which hands out a token of its own (a message with another token is refused)
and snaps with its shortcut. KWin restarting mid-run (the session kills it and starts it
again on the same bus and socket): Kelvra, whose toolkit ends with the compositor, comes
back by itself, its shortcuts are registered again, a shortcut snaps, the bridge's
package is not copied again, and the user's settings are as they were.
"""
import json
import os
import re
import signal
import subprocess
import sys

import dbus

from kwin_desktop import (ALT, CELL, CTRL, LEFT, LOG, RIGHT, Input, bus, kelvra_env, log_text,
                          open_client, start_kelvra, stop, wait_for, window_of)

KELVRA = sys.argv[1]
CTRL_ALT_LEFT = 0x04000000 | 0x08000000 | 0x01000012  # as the toolkit combines keys
SETTINGS = os.path.join(os.environ["XDG_CONFIG_HOME"], "kelvra", "com.orvane.Kelvra.json")
PACKAGE = os.path.join(os.environ["XDG_DATA_HOME"], "kwin/scripts/kelvra-bridge/metadata.json")
keys = None


def connected_pids():
    return [int(p) for p in re.findall(r"connected to Kelvra \(pid (\d+)\)",
                                       open(LOG, errors="replace").read())]


def expect_snap(pid, name, key, left):
    keys.press(CTRL, ALT, key)

    def snapped():
        f = window_of(pid)
        return f and abs(f["w"] - 720) < CELL and (f["x"] < CELL if left else
                                                   abs(f["x"] - 720) < CELL)

    wait_for("%s on the %s half" % (name, "left" if left else "right"), snapped, 5)
    print("%s snapped to the %s half" % (name, "left" if left else "right"), flush=True)


def kelvra_holds_ctrl_alt_left():
    # Asked anew each time: the service lives in KWin and restarts with it.
    accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                           "org.kde.KGlobalAccel")
    return [str(a) for a in accel.action(CTRL_ALT_LEFT)][:1] == ["kelvra"]


def refused_with_other_token():
    kelvra = dbus.Interface(bus.get_object("io.github.kelvra.Bridge", "/Bridge"),
                            "io.github.kelvra.Bridge")
    answer = json.loads(str(kelvra.Event(json.dumps(
        {"v": 1, "type": "windowActivated", "token": "0" * 32, "window": ""}))))
    return answer["type"] == "rejected"


def main():
    global keys
    first, kelvra_log = start_kelvra(KELVRA, {"windowGap": 0})
    keys = Input()
    processes = [first]
    try:
        terminal = open_client(["weston-terminal"], "Wayland terminal")
        processes.append(terminal)
        expect_snap(terminal.pid, "the terminal", LEFT, True)

        # Kelvra restarting.
        first.kill()
        first.wait()
        second = subprocess.Popen([KELVRA], env=kelvra_env(), stdout=kelvra_log,
                                  stderr=subprocess.STDOUT)
        processes.append(second)
        wait_for("the bridge to greet the new instance",
                 lambda: connected_pids()[-1:] == [second.pid], 30)
        if not refused_with_other_token():
            raise AssertionError("a message with another instance's token was taken")
        print("the bridge greeted the new instance; another token is refused", flush=True)
        wait_for("the new instance's shortcuts", kelvra_holds_ctrl_alt_left, 20)
        expect_snap(terminal.pid, "the terminal", RIGHT, False)

        # KWin restarting mid-run.
        with open(SETTINGS) as f:
            settings_before = json.load(f)
        package_before = os.stat(PACKAGE).st_mtime_ns
        greetings = len(connected_pids())
        os.kill(int(os.environ["KELVRA_SESSION_PID"]), signal.SIGUSR1)
        wait_for("KWin to start again",
                 lambda: len(open(os.environ["KELVRA_KWIN_STARTS"]).read().split()) == 2, 40)
        wait_for("Kelvra back on the restarted KWin",
                 lambda: len(connected_pids()) > greetings, 40)
        third = connected_pids()[-1]
        # The input tool's connection ended with the old KWin.
        keys.close()
        keys = Input()
        print("Kelvra came back (pid %d) and the bridge greeted it" % third, flush=True)
        try:
            wait_for("Kelvra's shortcuts registered again", kelvra_holds_ctrl_alt_left, 20)
            terminal = open_client(["weston-terminal"], "a new Wayland terminal")
            processes.append(terminal)
            expect_snap(terminal.pid, "the new terminal", LEFT, True)
            if os.stat(PACKAGE).st_mtime_ns != package_before:
                raise AssertionError("the bridge's package was copied again")
            with open(SETTINGS) as f:
                settings_after = json.load(f)
            lost = {k: v for k, v in settings_before.items() if settings_after.get(k) != v}
            if lost:
                raise AssertionError("settings changed by the restart: %r" % lost)
        finally:
            os.kill(third, signal.SIGTERM)
        print("restarts on KWin: passed")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure is reported with the logs
        print("FAILED:", e, "\n--- kelvra's log ---\n" + log_text(kelvra_log), file=sys.stderr)
        return 1
    finally:
        keys.close()
        stop(processes)


if __name__ == "__main__":
    sys.exit(main())
