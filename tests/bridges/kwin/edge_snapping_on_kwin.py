#!/usr/bin/python3
"""KWin's own edge snapping as it comes (inside scripts/kwin-session.sh --stock
--fake-input; the program's path is the argument). With both on, only KWin answers a drag:
Kelvra shows no preview and the window ends in KWin's half. The snap tab of the settings
window (opened by a second start, driven from the keyboard) switches KWin's off: the next
drag ends in Kelvra's zone with its preview. Switching it back on restores kwinrc as it was.
"""
import os
import subprocess
import sys
import time

from kwin_desktop import (CELL, SPACE, is_active, kelvra_env, kwin_windows, open_client,
                          ready_to_drag, run, wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900
TAB = 15
KWINRC = os.path.join(os.environ["XDG_CONFIG_HOME"], "kwinrc")


def preview_shown(kelvra):
    return any(w["pid"] == kelvra.pid and w["caption"] == "Kelvra zone preview" and
               not w["minimized"] for w in kwin_windows()["windows"])


def drag_to_left_edge(pointer, pid, watch):
    f = window_of(pid)
    seen = {"preview": False}

    def rest():
        end = time.monotonic() + 1.0
        while time.monotonic() < end:
            seen["preview"] = seen["preview"] or watch()
            time.sleep(0.1)

    pointer.drag((f["x"] + f["w"] // 2, f["y"] + 12), (1, SCREEN_H // 2), hold=rest)
    time.sleep(0.5)
    return seen["preview"], window_of(pid)


def press_in_snap_tab(keys, kelvra, tabs):
    """Opens the snap tab from a second start and presses its control `tabs` Tabs in."""
    subprocess.run([KELVRA, "--settings=snap"], env=kelvra_env(), check=True, timeout=20)
    wait_for("the settings window to have the focus", lambda: is_active(kelvra.pid), 10)
    time.sleep(0.3)
    for _ in range(tabs):
        keys.press(TAB)
    keys.press(SPACE)


def kwinrc():
    with open(KWINRC) as f:
        return f.read()


def scenario(kelvra, pointer, clients):
    term = open_client(["weston-terminal"], "Wayland terminal")
    clients.append(term)
    ready_to_drag(pointer, term.pid)
    preview, frame = drag_to_left_edge(pointer, term.pid, lambda: preview_shown(kelvra))
    if preview:
        raise AssertionError("Kelvra showed its preview while KWin snaps the drag")
    if frame["x"] > CELL or abs(frame["w"] - SCREEN_W / 2) > CELL:
        raise AssertionError("KWin did not tile the window: %r" % frame)
    print("with both on, KWin alone tiled the window:", frame, flush=True)

    press_in_snap_tab(pointer, kelvra, 2)
    wait_for("kwinrc to switch KWin's edge snapping off",
             lambda: "ElectricBorderTiling=false" in kwinrc(), 5)
    print("the snap tab switched KWin's edge snapping off", flush=True)
    # Away from the edge, then Kelvra's drag: its preview, its zone.
    pointer.drag((frame["x"] + 200, frame["y"] + 12), (700, 400))
    preview, frame = drag_to_left_edge(pointer, term.pid, lambda: preview_shown(kelvra))
    if not preview:
        raise AssertionError("no preview from Kelvra once KWin's snapping is off")
    print("Kelvra snapped the window with its preview:", frame, flush=True)

    press_in_snap_tab(pointer, kelvra, 2)
    wait_for("kwinrc as it was", lambda: "ElectricBorder" not in kwinrc(), 5)
    print("switching it back on left kwinrc as it was", flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "KWin's edge snapping"))
