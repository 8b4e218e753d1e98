#!/usr/bin/python3
"""GNOME Shell restarting mid-run (inside scripts/gnome-session.sh --probe; the program's
path is the argument): the session kills the shell and starts it again on the same bus and
socket. Kelvra, whose toolkit ends with the compositor, comes back by itself, the
extension greets it, a shortcut snaps a new terminal, the extension is not copied again
and the user's settings are as they were.
"""
import json
import os
import re
import signal
import sys

from gnome_desktop import (ALT, CELL, CTRL, LEFT, LOG, Input, desktop_common, log_text,
                           open_client, stop, wait_for, window_of)

KELVRA = sys.argv[1]
EXTENSION = os.path.join(os.environ["XDG_DATA_HOME"],
                         "gnome-shell/extensions/kelvra-bridge@orvane.com/extension.js")


def connected_pids():
    return [int(p) for p in re.findall(r"connected to Kelvra \(pid (\d+)\)",
                                       open(LOG, errors="replace").read())]


def main():
    kelvra, log = desktop_common.start_kelvra(KELVRA, {}, LOG)
    clients = [kelvra]
    keys = None
    try:
        with open(desktop_common.settings_file()) as f:
            settings_before = json.load(f)
        extension_before = os.stat(EXTENSION).st_mtime_ns
        greetings = len(connected_pids())
        os.kill(int(os.environ["KELVRA_SESSION_PID"]), signal.SIGUSR1)
        wait_for("the shell to start again",
                 lambda: len(open(os.environ["KELVRA_SHELL_STARTS"]).read().split()) == 2, 60)
        wait_for("Kelvra back on the restarted shell",
                 lambda: len(connected_pids()) > greetings, 40)
        again = connected_pids()[-1]
        if again == kelvra.pid:
            raise AssertionError("the extension greeted the instance that ended")
        print("Kelvra came back (pid %d) and the extension greeted it" % again, flush=True)
        try:
            keys = Input()
            terminal = open_client(["weston-terminal"], "a new Wayland terminal", keys)
            clients.append(terminal)
            keys.press(CTRL, ALT, LEFT)
            wait_for("the new terminal on the left half", lambda: (
                lambda f: abs(f["x"]) < CELL and abs(f["w"] - 720) < CELL)(
                    window_of(terminal.pid)), 5)
            if os.stat(EXTENSION).st_mtime_ns != extension_before:
                raise AssertionError("the extension was copied again")
            desktop_common.expect_settings_kept(settings_before)
        finally:
            os.kill(again, signal.SIGTERM)
        print("restarts on GNOME: passed")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure is reported with the logs
        print("FAILED:", e, "\n--- kelvra's log ---\n" + log_text(log), file=sys.stderr)
        return 1
    finally:
        if keys:
            keys.close()
        stop(clients)


if __name__ == "__main__":
    sys.exit(main())
