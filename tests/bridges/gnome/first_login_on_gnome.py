#!/usr/bin/python3
"""Kelvra's first start on GNOME (inside scripts/gnome-session.sh --no-bridge --probe; the
program's path is the argument). The session starts without Kelvra's extension. Kelvra
installs it and enables it in GSettings, and says in its log that it works from the next
login: a running Wayland shell loads no extension new to it. After the shell starts again
(the next login), the extension is loaded and greets a Kelvra started then. A shell that
already knew the extension, disabled, takes it up at once.
"""
import os
import shutil
import signal
import subprocess
import sys
import time

from gnome_desktop import LOG, desktop_common, log_text, stop, wait_for

KELVRA = sys.argv[1]
UUID = "kelvra-bridge@orvane.com"
EXTENSION = os.path.join(os.environ["XDG_DATA_HOME"], "gnome-shell/extensions", UUID)


def enabled():
    return UUID in subprocess.run(["gsettings", "get", "org.gnome.shell", "enabled-extensions"],
                                  capture_output=True, text=True).stdout


def connections():
    return open(LOG, errors="replace").read().count("connected to Kelvra")


def start():
    log = open(os.path.join(os.environ["HOME"], "kelvra.log"), "w+")
    return subprocess.Popen([KELVRA], env=desktop_common.kelvra_env(), stdout=log,
                            stderr=subprocess.STDOUT), log


def main():
    # Known to the shell but disabled: enabled and greeted at once.
    kelvra, log = start()
    wait_for("the known extension to greet Kelvra", lambda: connections() == 1, 20)
    if not enabled():
        raise AssertionError("the extension is not enabled in GSettings")
    stop([kelvra])
    print("a known, disabled extension was enabled and greeted Kelvra", flush=True)

    # New to the shell: installed, and the log says to log in again.
    subprocess.run(["gsettings", "set", "org.gnome.shell", "enabled-extensions", "[]"],
                   check=True)
    shutil.rmtree(EXTENSION)
    os.kill(int(os.environ["KELVRA_SESSION_PID"]), signal.SIGUSR1)  # a new login
    starts = os.environ["KELVRA_SHELL_STARTS"]
    wait_for("the shell to start again", lambda: len(open(starts).read().split()) == 2, 60)
    kelvra, log = start()
    wait_for("Kelvra to say to log in again", lambda: "log out and in once" in log_text(log), 20)
    time.sleep(2)  # the shell loads nothing new meanwhile
    if connections() != 1 or not os.path.exists(os.path.join(EXTENSION, "extension.js")):
        raise AssertionError("expected the extension installed and not running yet")
    stop([kelvra])
    print("a new extension was installed for the next login", flush=True)

    os.kill(int(os.environ["KELVRA_SESSION_PID"]), signal.SIGUSR1)
    wait_for("the shell to start again", lambda: len(open(starts).read().split()) == 3, 60)
    kelvra, log = start()
    wait_for("the extension to greet Kelvra after the new login", lambda: connections() == 2, 20)
    stop([kelvra])
    print("first login on GNOME: passed")


try:
    main()
except AssertionError as e:
    print("FAILED:", e, file=sys.stderr)
    sys.exit(1)
