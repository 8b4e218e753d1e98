#!/usr/bin/python3
"""Kelvra's first start on GNOME as it comes (inside scripts/gnome-session.sh --stock
--probe; the program's path is the argument). GNOME holds Ctrl+Alt+arrows, so onboarding
offers a set found free through the extension; taken, it snaps a terminal.
"""
import sys
import time

from gnome_desktop import (ALT, CTRL, LEFT, RETURN, SHIFT, SUPER, desktop, log_text, near,
                           open_client, run, wait_for, window_of)

KELVRA = sys.argv[1]
HALF_W = 720
MODIFIERS = {"Ctrl": CTRL, "Alt": ALT, "Shift": SHIFT, "Super": SUPER}


def own_window(kelvra, title):
    return next((w for w in desktop()["windows"]
                 if w["pid"] == kelvra.pid and w["title"] == title), None)


def scenario(kelvra, keys, clients, log):
    wait_for("the onboarding window in front",
             lambda: (own_window(kelvra, "Kelvra") or {}).get("active"), 10)
    time.sleep(0.5)  # its first frame drawn: its buttons take keys
    keys.press(RETURN)  # Continue
    text = wait_for("a free set offered", lambda: "offering " in log_text(log) and
                    log_text(log), 10)
    offered = text.split("offering ", 1)[1].split(" instead", 1)[0]
    modifiers = [MODIFIERS[name] for name in offered.split("+")]
    # Use the offered set, then the pages that follow (Get started last).
    for _ in range(4):
        if not own_window(kelvra, "Kelvra"):
            break
        time.sleep(0.5)
        keys.press(RETURN)
    wait_for("onboarding to end", lambda: not own_window(kelvra, "Kelvra"), 5)
    terminal = open_client(["weston-terminal"], "a Wayland terminal", keys)
    clients.append(terminal)
    keys.press(*modifiers, LEFT)
    wait_for("the terminal in the left half",
             lambda: near(window_of(terminal.pid), x=0, w=HALF_W), 5)
    print("the offered set (%s) snaps" % offered, flush=True)


sys.exit(run(KELVRA, scenario, "first start on GNOME as it comes",
             {"hasCompletedOnboarding": False}))
