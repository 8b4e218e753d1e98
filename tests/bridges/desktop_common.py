"""What the end-to-end tests on the Wayland desktops (tests/bridges/kwin/kwin_desktop.py,
tests/bridges/gnome/gnome_desktop.py) share: waiting, starting Kelvra in the session and
stopping what a test started."""
import contextlib
import json
import os
import re
import subprocess
import sys
import time

CELL = 24  # wider than a terminal's character cell
# evdev key codes, as a keyboard sends them
CTRL, ALT, SHIFT, SUPER = 29, 56, 42, 125
LEFT, RIGHT, UP, DOWN = 105, 106, 103, 108
RETURN, ESCAPE, SPACE = 28, 1, 57


def wait_for(what, predicate, limit=20.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def window_in(windows, pid, title=None):
    """The first of `windows` of `pid` with that title (any with none; "Kelvra divider*":
    the first whose title starts so)."""
    def matches(text):
        if title is None:
            return True
        return text.startswith(title[:-1]) if title.endswith("*") else text == title

    return next((w for w in windows if w["pid"] == pid and matches(w["title"])), None)


def connected_pids(compositor_log):
    """The pids of the Kelvra instances the bridge greeted, oldest first."""
    return [int(p) for p in re.findall(r"connected to Kelvra \(pid (\d+)\)",
                                       open(compositor_log, errors="replace").read())]


def kelvra_env():
    env = dict(os.environ, XDG_SESSION_TYPE="wayland")
    env.pop("QT_QPA_PLATFORM", None)
    return env


def start_kelvra(program, settings, compositor_log):
    """Kelvra in this session with the given settings written first; returns the process
    and its log file (read with log_text) once the bridge, which logs into
    `compositor_log`, said hello to it."""
    os.makedirs(os.path.dirname(settings_file()), exist_ok=True)
    stored = {"hasCompletedOnboarding": True, "snapAssistEnabled": False}
    stored.update(settings or {})
    with open(settings_file(), "w") as f:
        json.dump(stored, f)
    log = open(os.path.join(os.environ["HOME"], "kelvra.log"), "w+")
    kelvra = subprocess.Popen([program], env=kelvra_env(), stdout=log,
                              stderr=subprocess.STDOUT)
    wait_for("the bridge to connect", lambda: "connected to Kelvra (pid %d)" % kelvra.pid
             in open(compositor_log, errors="replace").read(), 30)
    return kelvra, log


def settings_file():
    return os.path.join(os.environ["XDG_CONFIG_HOME"], "kelvra", "com.orvane.Kelvra.json")


def expect_settings_kept(before):
    """Raises when a setting in `before` (the settings file's contents read earlier) is gone
    or changed."""
    with open(settings_file()) as f:
        after = json.load(f)
    lost = {k: v for k, v in before.items() if after.get(k) != v}
    if lost:
        raise AssertionError("settings changed: %r" % lost)


def log_text(log):
    log.seek(0)
    return log.read()


def stop(processes):
    for p in processes:
        if p.poll() is None:
            p.terminate()
    for p in processes:
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()


def ready_to_drag(keys, window_of, pid, limit=10.0):
    """Waits until the client's title bar answers a press: a short drag that moves the
    window (a client just mapped, on a loaded machine, may not have taken its first
    presses yet)."""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        f = window_of(pid)
        keys.drag((f["x"] + f["w"] // 2, f["y"] + 12), (f["x"] + f["w"] // 2 + 30, f["y"] + 12),
                  steps=3)
        try:
            wait_for("the window to follow the pointer", lambda: window_of(pid)["x"] != f["x"], 1)
            return
        except AssertionError:
            continue
    raise AssertionError("the window never followed a drag of its title bar")


@contextlib.contextmanager
def failures_reported(log):
    """A failure inside ends the program with status 1 and Kelvra's log on stderr."""
    try:
        yield
    except Exception as e:  # noqa: BLE001 - every failure is reported with the log
        print("FAILED:", e, "\n--- kelvra's log ---\n" + log_text(log), file=sys.stderr)
        sys.exit(1)
