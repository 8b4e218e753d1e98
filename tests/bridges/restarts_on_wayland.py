#!/usr/bin/python3
"""Both sides restarting on a real headless Wayland desktop (inside scripts/kwin-session.sh
or scripts/gnome-session.sh --probe; the program's path is the argument).

Kelvra restarting (on KWin): killed outright and started again, the bridge says hello to
the new instance, which hands out a token of its own (a message with another token is
refused), registers its shortcuts again and snaps with them. The compositor restarting
mid-run (the session kills it and starts it again on the same bus and socket): Kelvra,
whose toolkit ends with the compositor, comes back by itself, the bridge greets it, a
shortcut snaps a new terminal (on KWin once its shortcuts are registered again), the
bridge's package is not copied again, and the user's settings are as they were.
"""
import json
import os
import signal
import subprocess
import sys

import dbus

from desktop_common import (ALT, CTRL, LEFT, RIGHT, connected_pids, expect_settings_kept,
                            kelvra_env, log_text, near, settings_file, stop, wait_for)
from wayland_desktop import desktop

KELVRA = sys.argv[1]
CTRL_ALT_LEFT = 0x04000000 | 0x08000000 | 0x01000012  # as the toolkit combines keys


def expect_snap(keys, pid, name, key, left):
    keys.press(CTRL, ALT, key)
    side = "left" if left else "right"
    wait_for("%s on the %s half" % (name, side),
             lambda: near(desktop.window_of(pid), x=0 if left else 720, w=720), 5)
    print("%s snapped to the %s half" % (name, side), flush=True)


def kelvra_restarts(first, log):
    """Kills `first` and starts Kelvra again; returns the new instance once it took over."""
    first.kill()
    first.wait()
    second = subprocess.Popen([KELVRA], env=kelvra_env(), stdout=log, stderr=subprocess.STDOUT)
    wait_for("the bridge to greet the new instance",
             lambda: connected_pids(desktop.LOG)[-1:] == [second.pid], 30)
    service = dbus.Interface(dbus.SessionBus().get_object("io.github.kelvra.Bridge", "/Bridge"),
                             "io.github.kelvra.Bridge")
    answer = json.loads(str(service.Event(json.dumps(
        {"v": 1, "type": "windowActivated", "token": "0" * 32, "window": ""}))))
    if answer["type"] != "rejected":
        raise AssertionError("a message with another instance's token was taken")
    print("the bridge greeted the new instance; another token is refused", flush=True)
    wait_for("the new instance's shortcuts", lambda: desktop.kelvra_holds(CTRL_ALT_LEFT), 20)
    return second


def main():
    kelvra, log = desktop.start_kelvra(KELVRA, {"windowGap": 0})
    keys = desktop.Input()
    processes = [kelvra]
    try:
        terminal = desktop.open_client(["weston-terminal"], "the Wayland terminal", keys)
        processes.append(terminal)
        expect_snap(keys, terminal.pid, "the terminal", LEFT, True)
        if desktop.NAME == "KWin":
            processes.append(kelvra_restarts(kelvra, log))
            expect_snap(keys, terminal.pid, "the terminal", RIGHT, False)

        with open(settings_file()) as f:
            settings_before = json.load(f)
        package_before = os.stat(desktop.BRIDGE_FILE).st_mtime_ns
        greeted = connected_pids(desktop.LOG)
        os.kill(int(os.environ["KELVRA_SESSION_PID"]), signal.SIGUSR1)
        wait_for("the compositor to start again",
                 lambda: len(open(desktop.STARTS).read().split()) == 2, 60)
        wait_for("Kelvra back on the restarted compositor",
                 lambda: len(connected_pids(desktop.LOG)) > len(greeted), 40)
        again = connected_pids(desktop.LOG)[-1]
        if again in greeted:
            raise AssertionError("the bridge greeted an instance that ended")
        print("Kelvra came back (pid %d) and the bridge greeted it" % again, flush=True)
        keys.close()  # its connection ended with the old compositor
        keys = desktop.Input()
        try:
            if desktop.NAME == "KWin":
                wait_for("Kelvra's shortcuts registered again",
                         lambda: desktop.kelvra_holds(CTRL_ALT_LEFT), 20)
            terminal = desktop.open_client(["weston-terminal"], "a new Wayland terminal", keys)
            processes.append(terminal)
            expect_snap(keys, terminal.pid, "the new terminal", LEFT, True)
            if os.stat(desktop.BRIDGE_FILE).st_mtime_ns != package_before:
                raise AssertionError("the bridge's package was copied again")
            expect_settings_kept(settings_before)
        finally:
            os.kill(again, signal.SIGTERM)
        print("restarts on %s: passed" % desktop.NAME)
        return 0
    except Exception as e:  # noqa: BLE001 - every failure is reported with the logs
        print("FAILED:", e, "\n--- kelvra's log ---\n" + log_text(log), file=sys.stderr)
        return 1
    finally:
        keys.close()
        stop(processes)


if __name__ == "__main__":
    sys.exit(main())
