#!/usr/bin/python3
"""Mutter's own edge tiling as GNOME comes (inside scripts/gnome-session.sh --probe
--stock; the program's path is the argument). With both on, only mutter answers a drag:
Kelvra shows no preview and the window ends in mutter's half. With mutter's switched off
in GSettings, the next drag shows Kelvra's preview and ends in its zone. (Switching it off
and back from the snap tab is the same GSettings code as on an X11 GNOME session, where
the e2e tests drive it.)
"""
import subprocess
import sys
import time

from gnome_desktop import CELL, desktop, open_client, ready_to_drag, run, wait_for, window_of

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900


def preview_shown():
    return any(w["title"] == "Kelvra zone preview" and not w["minimized"] and w["w"] > 0
               for w in desktop()["windows"])


def edge_tiling():
    return subprocess.run(["gsettings", "get", "org.gnome.mutter", "edge-tiling"],
                          capture_output=True, text=True, check=True).stdout.strip()


def drag_to_left_edge(keys, pid):
    """Drags the window's title bar to the left edge and rests there; whether Kelvra's
    preview showed, and the frame after the drop."""
    f = window_of(pid)
    seen = {"preview": False}

    def rest():
        end = time.monotonic() + 1.5
        while time.monotonic() < end and not seen["preview"]:
            seen["preview"] = preview_shown()
            time.sleep(0.1)

    keys.drag((f["x"] + f["w"] // 2, f["y"] + 12), (1, SCREEN_H // 2), hold=rest)
    time.sleep(0.5)
    return seen["preview"], window_of(pid)


def on_left_half(f):
    return f["x"] < CELL and abs(f["w"] - SCREEN_W / 2) < CELL


def set_edge_tiling(value):
    subprocess.run(["gsettings", "set", "org.gnome.mutter", "edge-tiling", value], check=True)


def scenario(kelvra, keys, clients, log):
    if edge_tiling() != "true":
        raise AssertionError("mutter's edge tiling is not on as GNOME comes")
    term = open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    ready_to_drag(keys, term.pid)
    preview, frame = drag_to_left_edge(keys, term.pid)
    if preview:
        raise AssertionError("Kelvra showed its preview while mutter tiles the drag")
    wait_for("mutter to tile the window", lambda: on_left_half(window_of(term.pid)), 5)
    print("with both on, mutter alone tiled the window:", window_of(term.pid), flush=True)

    # Switched off as the user can in GNOME's own settings: Kelvra reads it at each drag.
    set_edge_tiling("false")
    frame = window_of(term.pid)
    keys.drag((frame["x"] + 200, frame["y"] + 12), (700, 400))
    ready_to_drag(keys, term.pid)
    preview, frame = drag_to_left_edge(keys, term.pid)
    if not preview:
        raise AssertionError("no preview from Kelvra once mutter's tiling is off")
    wait_for("Kelvra to snap the window", lambda: on_left_half(window_of(term.pid)), 5)
    print("with mutter's off, Kelvra snapped the window with its preview:",
          window_of(term.pid), flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "mutter's edge tiling"))
