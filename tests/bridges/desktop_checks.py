"""Checks the end-to-end tests on both Wayland desktops make alike, given each desktop's
way of reading windows back (window_of, is_active) and of clicking."""
from desktop_common import wait_for

CELL = 24  # wider than a terminal's character cell
CTRL, ALT = 29, 56  # evdev
LEFT, RIGHT, RETURN = 105, 106, 28


def expect_half_and_maximize(keys, window_of, pid, name, screen_w, top, bottom):
    """Ctrl+Alt+Left, then Ctrl+Alt+Return: the left half, then the whole width, each from
    `top` to `bottom` (the work area's)."""
    for key, width in ((LEFT, screen_w / 2), (RETURN, screen_w)):
        keys.press(CTRL, ALT, key)

        def placed():
            f = window_of(pid)
            return f if abs(f["y"] - top) < CELL and abs(f["w"] - width) < CELL and \
                abs(f["y"] + f["h"] - bottom) < CELL else None

        try:
            wait_for("%s from %d to %d, %d wide" % (name, top, bottom, width), placed, 5)
        except AssertionError:
            raise AssertionError("%s: %r" % (name, window_of(pid)))


def expect_dialog_kept(keys, window_of, is_active, click, dialog_pid, ordinary_pid, half_w):
    """Ctrl+Alt+Left on the active dialog leaves it where it was. Checked after a click on
    an ordinary window at 700,700, below the dialog, and Ctrl+Alt+Right on that: once it has
    moved, the press on the dialog was handled too."""
    before = window_of(dialog_pid)
    keys.press(CTRL, ALT, LEFT)
    click(700, 700)
    wait_for("the clicked window to have the focus", lambda: is_active(ordinary_pid), 5)
    keys.press(CTRL, ALT, RIGHT)
    wait_for("the clicked window at the right half", lambda: abs(
        window_of(ordinary_pid)["x"] - half_w) < CELL, 5)
    frame = ("x", "y", "w", "h")
    if [window_of(dialog_pid)[k] for k in frame] != [before[k] for k in frame]:
        raise AssertionError("the dialog moved: %r, was %r" % (window_of(dialog_pid), before))
    print("the dialog stayed where it was", flush=True)
