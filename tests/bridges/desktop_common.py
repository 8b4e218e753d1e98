"""What the end-to-end tests on the Wayland desktops (tests/bridges/kwin/kwin_desktop.py,
tests/bridges/gnome/gnome_desktop.py) share: waiting, comparing frames, real input built
on each desktop's keys and pointer, starting Kelvra in the session, running a scenario
and stopping what it started."""
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


def near(frame, slack=CELL, **wanted):
    """`frame` when each of its x, y, w, h, right, bottom, cx and cy (its centre) given is
    within `slack` of the value wanted; else None."""
    if not frame:
        return None
    edges = dict(frame, right=frame["x"] + frame["w"], bottom=frame["y"] + frame["h"],
                 cx=frame["x"] + frame["w"] / 2, cy=frame["y"] + frame["h"] / 2)
    return frame if all(abs(edges[k] - v) < slack for k, v in wanted.items()) else None


def shown(window):
    """`window` when it shows (not minimized, with a frame); else None."""
    return window if window and not window["minimized"] and window["w"] > 0 else None


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


class Input:
    """Real keys and pointer. Each desktop's subclass sends them: key(code, down),
    button(down) (the left one) and move(x, y)."""

    still_moves = 0  # small moves at the end of a drag, before `hold`

    def press(self, *keys):
        """A combination: the keys down in order, then up in reverse."""
        for k in keys:
            self.key(k, True)
        for k in reversed(keys):
            self.key(k, False)

    def click(self, x, y, pause=0.3):
        """A left click at (x, y), after a pause: the compositor finds the surface under the
        pointer with its next frame, and a window it just moved there may not have it yet."""
        self.move(x, y)
        time.sleep(pause)
        self.button(True)
        self.button(False)

    def drag(self, start, end, steps=20, pause=0.02, hold=None):
        """Press at start, move to end in steps, call `hold` there, release."""
        self.move(*start)
        self.button(True)
        time.sleep(0.2)  # the client asks the compositor to move it once it saw the press
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i // steps,
                      start[1] + (end[1] - start[1]) * i // steps)
            time.sleep(pause)
        for i in range(self.still_moves):
            self.move(end[0], end[1] + (i % 2))
            time.sleep(pause)
        if hold:
            hold()
        self.button(False)


def run(compositor_log, input_class, report, program, scenario, name, settings):
    """Starts Kelvra with `settings` and runs scenario(kelvra, keys, clients, log) with real
    input (`clients` collects the programs it starts, `log` is Kelvra's); on a failure
    reports Kelvra's log and the desktop (`report()`); stops everything; returns the exit
    status."""
    kelvra, log = start_kelvra(program, settings, compositor_log)
    keys = input_class()
    clients = []
    try:
        scenario(kelvra, keys, clients, log)
        if kelvra.poll() is not None:
            raise AssertionError("kelvra ended early")
        # The bridge logs an exception and goes on; a scenario that passed regardless
        # must not hide one (a call the compositor's API lacks, say).
        thrown = [line for line in open(compositor_log, errors="replace").read().splitlines()
                  if "kelvra-bridge: " in line and " failed: " in line]
        if thrown:
            raise AssertionError("the bridge threw: " + "; ".join(thrown[:3]))
        print(name + ": passed")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure is reported with the logs
        print("FAILED:", e, "\n--- kelvra's log ---\n" + log_text(log), file=sys.stderr)
        print("desktop:", report(), file=sys.stderr)
        return 1
    finally:
        keys.close()
        stop(clients + [kelvra])


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
