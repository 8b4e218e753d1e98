#!/usr/bin/python3
"""Kelvra's first start on a Wayland desktop as it comes (inside scripts/kwin-session.sh
--stock or scripts/gnome-session.sh --stock --probe; the program's path is the argument),
onboarding walked through with Return as a user would. GNOME holds Ctrl+Alt+arrows, so
onboarding offers a set found free through the extension and it is taken; KDE Plasma
leaves Kelvra's defaults free, so nothing is offered. Either way the set in use then snaps
a terminal.
"""
import sys
import time

from desktop_common import ALT, CTRL, LEFT, RETURN, SHIFT, SUPER, log_text, near, wait_for
from wayland_desktop import desktop

KELVRA = sys.argv[1]
HALF_W = 720
MODIFIERS = {"Ctrl": CTRL, "Alt": ALT, "Shift": SHIFT, "Super": SUPER}
OFFERED = desktop.NAME == "GNOME"


def scenario(kelvra, keys, clients, log):
    onboarding = lambda: desktop.window_of(kelvra.pid, "Kelvra")  # noqa: E731
    wait_for("the onboarding window in front",
             lambda: onboarding() and desktop.is_active(kelvra.pid), 10)
    time.sleep(0.5)  # its first frame drawn: its buttons take keys
    keys.press(RETURN)  # Continue
    modifiers = [CTRL, ALT]
    if OFFERED:
        text = wait_for("a free set offered", lambda: "offering " in log_text(log) and
                        log_text(log), 10)
        offered = text.split("offering ", 1)[1].split(" instead", 1)[0]
        modifiers = [MODIFIERS[name] for name in offered.split("+")]
    # The offered set taken where there is one, then the pages that follow (Get started
    # last).
    for _ in range(5):
        if not onboarding():
            break
        time.sleep(0.5)
        keys.press(RETURN)
    wait_for("onboarding to end", lambda: not onboarding(), 5)
    if not OFFERED and "shortcuts do nothing" in log_text(log):
        raise AssertionError("a shortcut found taken on %s as it comes" % desktop.NAME)
    terminal = desktop.open_client(["weston-terminal"], "a Wayland terminal", keys)
    clients.append(terminal)
    keys.press(*modifiers, LEFT)
    wait_for("the terminal in the left half",
             lambda: near(desktop.window_of(terminal.pid), x=0, w=HALF_W), 5)
    print("the set in use snaps", flush=True)


sys.exit(desktop.run(KELVRA, scenario, "first start on %s as it comes" % desktop.NAME,
                     {"hasCompletedOnboarding": False}))
