#!/usr/bin/python3
"""Drag snapping on a real headless GNOME Shell (inside scripts/gnome-session.sh --probe;
the program's path is the argument). A real pointer (mutter's RemoteDesktop) drags a
Wayland terminal by its title bar to the left edge: Kelvra's zone preview shows the left
half while the pointer rests there, and on release the window takes the left half of the
work area. Dragging it out again restores the size it had before the snap; the preview is
gone after each drag. Mutter's own edge tiling is off in this session.
"""
import sys

from gnome_desktop import (CELL, desktop, open_client, ready_to_drag, run,
                           wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900


def preview():
    return next((w for w in desktop()["windows"] if w["title"] == "Kelvra zone preview"
                 and not w["minimized"] and w["w"] > 0), None)


def scenario(kelvra, keys, clients, log):
    term = open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    ready_to_drag(keys, term.pid)
    before = window_of(term.pid)
    seen = {}

    def rest_at_edge():
        # The preview shows while the pointer rests at the edge (after the dwell).
        seen["preview"] = wait_for("the preview of the left half", lambda: (
            lambda p: p if p and p["x"] < CELL and abs(p["w"] - SCREEN_W / 2) < 2 * CELL
            else None)(preview()), 5)

    keys.drag((before["x"] + before["w"] // 2, before["y"] + 12), (1, SCREEN_H // 2),
              hold=rest_at_edge)
    print("preview shown at", seen["preview"], flush=True)

    def snapped():
        f = window_of(term.pid)
        return (f if abs(f["x"]) < CELL and abs(f["w"] - SCREEN_W / 2) < CELL
                and f["y"] < 60 and f["h"] > SCREEN_H - 100 else None)

    wait_for("the terminal on the left half", snapped, 5)
    print("snapped to the left half:", window_of(term.pid), flush=True)
    wait_for("the preview to go", lambda: preview() is None, 5)
    # Pulling it out restores the size it had before.
    # The terminal takes presses on its title bar only once it has drawn itself at its new
    # place: on a loaded machine a press right after the snap may come too early.
    for _ in range(3):
        snapped_frame = window_of(term.pid)
        keys.drag((snapped_frame["x"] + 200, snapped_frame["y"] + 12), (700, 400))
        try:
            wait_for("the terminal to follow the pointer",
                     lambda: window_of(term.pid)["x"] != snapped_frame["x"], 2)
            break
        except AssertionError:
            continue
    wait_for("the size from before the snap", lambda: (
        lambda f: abs(f["w"] - before["w"]) < CELL and abs(f["h"] - before["h"]) < CELL)(
            window_of(term.pid)), 5)
    print("pulled out at its old size:", window_of(term.pid), flush=True)
    if preview() is not None:
        raise AssertionError("a preview is left after the drag")


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "drag on GNOME"))
