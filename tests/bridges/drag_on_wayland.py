#!/usr/bin/python3
"""Drag snapping on a real headless Wayland desktop (inside scripts/kwin-session.sh or
scripts/gnome-session.sh --probe, where the compositor's own edge snapping is off; the
program's path is the argument). A real pointer drags a Wayland terminal by its title bar
to the left edge: Kelvra's zone preview shows the left half while the pointer rests there,
and on release the window takes the left half of the work area. Dragging it out again
restores the size it had before the snap; the preview is gone after each drag. A window
that vanishes mid-drag (killed while the preview shows) leaves no preview behind, and
Kelvra keeps working: a shortcut snaps the next window.
"""
import sys

from desktop_common import ALT, CELL, CTRL, LEFT, near, shown, wait_for
from wayland_desktop import desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H, TOP = 1440, 900, desktop.TOP_BAR


def scenario(kelvra, keys, clients, log):
    def preview():
        return shown(desktop.window_of(kelvra.pid, "Kelvra zone preview"))

    def snapped():
        return near(desktop.window_of(term.pid), x=0, y=TOP, w=SCREEN_W / 2, bottom=SCREEN_H)

    term = desktop.open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    desktop.ready_to_drag(keys, term.pid)
    before = desktop.window_of(term.pid)
    seen = {}

    def rest_at_edge():
        # The preview shows while the pointer rests at the edge (after the dwell).
        seen["preview"] = wait_for("the preview of the left half", lambda: near(
            preview(), x=0) and near(preview(), slack=2 * CELL, w=SCREEN_W / 2), 5)

    keys.drag((before["x"] + before["w"] // 2, before["y"] + 12), (1, SCREEN_H // 2),
              hold=rest_at_edge)
    print("preview shown at", seen["preview"], flush=True)
    wait_for("the terminal on the left half", snapped, 5)
    print("snapped to the left half:", desktop.window_of(term.pid), flush=True)
    wait_for("the preview to go", lambda: preview() is None, 5)

    # Pulling it out restores the size it had before. The terminal takes presses on its
    # title bar only once it has drawn itself at its new place: on a loaded machine a
    # press right after the snap may come too early.
    for _ in range(3):
        snapped_frame = desktop.window_of(term.pid)
        keys.drag((snapped_frame["x"] + 200, snapped_frame["y"] + 12), (700, 400))
        try:
            wait_for("the terminal to follow the pointer",
                     lambda: desktop.window_of(term.pid)["x"] != snapped_frame["x"], 2)
            break
        except AssertionError:
            continue
    wait_for("the size from before the snap", lambda: near(
        desktop.window_of(term.pid), w=before["w"], h=before["h"]), 5)
    print("pulled out at its old size:", desktop.window_of(term.pid), flush=True)
    if preview() is not None:
        raise AssertionError("a preview is left after the drag")

    # The window vanishes while the pointer drags it with the preview shown.
    pulled = desktop.window_of(term.pid)

    def kill_at_edge():
        wait_for("the preview of the right half", lambda: near(preview(), x=SCREEN_W / 2), 5)
        term.kill()
        term.wait()
        wait_for("the preview to go with the window", lambda: preview() is None, 5)

    keys.drag((pulled["x"] + 200, pulled["y"] + 12), (SCREEN_W - 2, SCREEN_H // 2),
              hold=kill_at_edge)
    if preview() is not None:
        raise AssertionError("a preview is left after the window vanished")
    print("the preview went with the window that vanished mid-drag", flush=True)
    term = desktop.open_client(["weston-terminal"], "another Wayland terminal", keys)
    clients.append(term)
    keys.press(CTRL, ALT, LEFT)
    wait_for("the next terminal on the left half", snapped, 5)
    print("Kelvra keeps working: the next window snapped", flush=True)


if __name__ == "__main__":
    sys.exit(desktop.run(KELVRA, scenario, "drag on " + desktop.NAME))
