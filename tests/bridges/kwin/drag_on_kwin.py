#!/usr/bin/python3
"""Drag snapping on a real headless KWin (inside scripts/kwin-session.sh --fake-input; the
program's path is the argument). A real pointer drags a Wayland terminal by its title bar
to the left edge: Kelvra's zone preview shows the left half while the pointer rests there,
and on release the window takes the left half of the work area. Dragging it out again
restores the size it had before the snap; the preview is gone after each drag. A window
that vanishes mid-drag (killed while the preview shows) leaves no preview behind, and
Kelvra keeps working: a shortcut snaps the next window.
"""
import sys

from kwin_desktop import (ALT, CELL, CTRL, LEFT, kwin_windows, open_client, ready_to_drag,
                          run, wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900


def preview_of(kelvra):
    for w in kwin_windows()["windows"]:
        if w["pid"] == kelvra.pid and w["caption"] == "Kelvra zone preview" and \
                not w["minimized"] and w["w"] > 0:
            return w
    return None


def scenario(kelvra, pointer, clients):
    term = open_client(["weston-terminal"], "Wayland terminal")
    clients.append(term)
    ready_to_drag(pointer, term.pid)
    before = window_of(term.pid)
    grip = (before["x"] + before["w"] // 2, before["y"] + 12)
    seen = {}

    def rest_at_edge():
        # The preview shows while the pointer rests at the edge (after the dwell).
        seen["preview"] = wait_for("the preview of the left half", lambda: (
            lambda p: p if p and p["x"] < CELL and abs(p["w"] - SCREEN_W / 2) < 2 * CELL
            else None)(preview_of(kelvra)), 5)

    pointer.drag(grip, (1, SCREEN_H // 2), hold=rest_at_edge)
    print("preview shown at", seen["preview"], flush=True)

    def snapped():
        f = window_of(term.pid)
        return f if f["x"] < CELL and abs(f["w"] - SCREEN_W / 2) < CELL else None

    wait_for("the terminal on the left half", snapped, 5)
    print("snapped to the left half:", window_of(term.pid), flush=True)
    wait_for("the preview to go", lambda: preview_of(kelvra) is None, 5)
    # Pulling it out restores the size it had before.
    snapped_frame = window_of(term.pid)
    pointer.drag((snapped_frame["x"] + 200, snapped_frame["y"] + 12), (700, 400))
    wait_for("the size from before the snap", lambda: (
        lambda f: abs(f["w"] - before["w"]) < CELL and abs(f["h"] - before["h"]) < CELL)(
            window_of(term.pid)), 5)
    print("pulled out at its old size:", window_of(term.pid), flush=True)

    # The window vanishes while the pointer drags it with the preview shown.
    pulled = window_of(term.pid)

    def kill_at_edge():
        wait_for("the preview of the right half", lambda: (
            lambda p: p and abs(p["x"] - SCREEN_W / 2) < CELL)(preview_of(kelvra)), 5)
        term.kill()
        term.wait()
        wait_for("the preview to go with the window", lambda: preview_of(kelvra) is None, 5)

    pointer.drag((pulled["x"] + 200, pulled["y"] + 12), (SCREEN_W - 2, SCREEN_H // 2),
                 hold=kill_at_edge)
    if preview_of(kelvra) is not None:
        raise AssertionError("a preview is left after the window vanished")
    print("the preview went with the window that vanished mid-drag", flush=True)
    term = open_client(["weston-terminal"], "another Wayland terminal")
    clients.append(term)
    pointer.press(CTRL, ALT, LEFT)
    wait_for("the next terminal on the left half", snapped, 5)
    print("Kelvra keeps working: the next window snapped", flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "drag on KWin"))
