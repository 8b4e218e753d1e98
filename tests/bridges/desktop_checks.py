"""Checks the end-to-end tests on both Wayland desktops make alike, given each desktop's
way of reading windows back (window_of, is_active), of opening a client and waiting until
it has the focus (open_window(argv, name)) and of clicking."""
import subprocess

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


def expect_dock_left_free(keys, window_of, open_window, clients, program, screen_w, screen_h,
                          dock_h):
    """An X11 dock of the test client `program` along the top edge, `dock_h` high with a
    strut as panels of X11 desktops have: halves and maximize of a Wayland and an X11
    terminal leave it free."""
    dock = subprocess.Popen([program, "--title", "dock", "--type", "dock", "--geometry",
                             "%dx%d+0+0" % (screen_w, dock_h), "--strut-top", str(dock_h)])
    clients.append(dock)
    wait_for("the dock", lambda: window_of(dock.pid), 10)
    for argv, name in ((["weston-terminal"], "the Wayland terminal"),
                       (["xterm", "-geometry", "60x20+300+200"], "the X11 terminal")):
        client = open_window(argv, name)
        clients.append(client)
        expect_half_and_maximize(keys, window_of, client.pid, name, screen_w, dock_h, screen_h)
        print("%s: half and maximize leave the dock free" % name, flush=True)


def expect_kinds_placed(keys, window_of, open_window, clients, program, kinds):
    """Each kind (name, the test client's arguments, placed(frame)) of the test client
    `program`, pressed to the left half, is placed so in time."""
    for name, arguments, placed in kinds:
        client = open_window([program, "--title", name, "--geometry", "400x300+500+300"] +
                             arguments, name)
        clients.append(client)
        keys.press(CTRL, ALT, LEFT)
        try:
            wait_for(name + " in the left half", lambda: placed(window_of(client.pid)), 5)
        except AssertionError:
            raise AssertionError("%s: %r" % (name, window_of(client.pid)))
        print("%s: %r" % (name, window_of(client.pid)), flush=True)
