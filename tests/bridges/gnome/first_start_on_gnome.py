#!/usr/bin/python3
"""Kelvra's first start on GNOME as it comes (inside scripts/gnome-session.sh --stock
--probe; the program's path is the argument). GNOME holds Ctrl+Alt+arrows, so onboarding
offers a set found free through the extension; taken, it snaps a terminal. Then a
combination recorded in the settings window's shortcuts tab is stored, held by the
extension once recording ends, and snaps.
"""
import json
import os
import subprocess
import sys
import time

from gnome_desktop import (ALT, CELL, CTRL, LEFT, RETURN, RIGHT, SHIFT, SPACE, SUPER, desktop, focus,
                           log_text, open_client, run, wait_for, window_of)
from desktop_common import kelvra_env, settings_file

KELVRA = sys.argv[1]
HALF_W = 720
TAB, Y = 15, 21  # evdev
MODIFIERS = {"Ctrl": CTRL, "Alt": ALT, "Shift": SHIFT, "Super": SUPER}


def own_window(kelvra, title):
    return next((w for w in desktop()["windows"]
                 if w["pid"] == kelvra.pid and w["title"] == title), None)


def expect_left_half(keys, pid, combination):
    keys.press(*combination)
    wait_for("the terminal in the left half", lambda: window_of(pid)["x"] < CELL and
             abs(window_of(pid)["w"] - HALF_W) < CELL, 5)


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
    expect_left_half(keys, terminal.pid, modifiers + [LEFT])
    print("the offered set (%s) snaps" % offered, flush=True)

    # On the right half, clear of the settings window, to be moved by the recorded one.
    keys.press(*modifiers, RIGHT)
    wait_for("the terminal in the right half",
             lambda: abs(window_of(terminal.pid)["x"] - HALF_W) < CELL, 5)
    subprocess.Popen([KELVRA, "--settings=shortcuts"], env=kelvra_env())
    wait_for("the settings window in front",
             lambda: (own_window(kelvra, "Settings — Kelvra") or {}).get("active"), 10)
    time.sleep(0.5)
    keys.press(TAB)
    keys.press(SPACE)  # records the first row, the left half
    time.sleep(0.3)
    keys.press(CTRL, ALT, Y)

    def stored():
        with open(settings_file()) as f:
            row = json.load(f).get("shortcuts", {}).get("$json", {}).get("snapLeftHalf", {})
        return row.get("keyCode") == 16 and row.get("carbonModifiers") == 6144

    wait_for("the recorded combination in the settings file", stored, 5)
    focus(keys, terminal.pid, "the terminal")

    # Held by the extension once the recording has ended: a press before that is typed.
    def snapped_by_recorded():
        keys.press(CTRL, ALT, Y)
        time.sleep(0.5)
        f = window_of(terminal.pid)
        return f["x"] < CELL and abs(f["w"] - HALF_W) < CELL

    wait_for("the terminal in the left half by the recorded combination", snapped_by_recorded,
             10)
    print("a combination recorded in the settings window snaps", flush=True)


sys.exit(run(KELVRA, scenario, "first start and recording on GNOME",
             {"hasCompletedOnboarding": False}))
