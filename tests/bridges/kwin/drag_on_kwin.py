#!/usr/bin/python3
"""Drag snapping on a real headless KWin (inside scripts/kwin-session.sh --fake-input; the
program's path is the argument). A real pointer drags a Wayland terminal by its title bar
to the left edge: Kelvra's zone preview shows the left half while the pointer rests there,
and on release the window takes the left half of the work area. Dragging it out again
restores the size it had before the snap; the preview is gone after each drag.
"""
import sys
import time

from kwin_desktop import (CELL, Input, kwin_windows, open_client, run_checks, start_kelvra,
                          wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900


def preview_of(kelvra):
    for w in kwin_windows()["windows"]:
        if w["pid"] == kelvra.pid and w["caption"] == "Kelvra zone preview" and \
                not w["minimized"] and w["w"] > 0:
            return w
    return None


def main():
    kelvra, log = start_kelvra(KELVRA, {})
    pointer = Input()
    clients = []

    def checks():
            term = open_client(["weston-terminal"], "Wayland terminal")
            clients.append(term)
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
            if kelvra.poll() is not None:
                raise AssertionError("kelvra ended early")

    return run_checks("drag on KWin", checks, kelvra, log, pointer, clients)


if __name__ == "__main__":
    sys.exit(main())
