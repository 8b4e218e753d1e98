#!/usr/bin/python3
"""Kelvra on a headless KWin with two outputs at a fractional scale (inside
scripts/kwin-session.sh --scale 1.5 --outputs 2 --fake-input; the program's path is the
argument). Shortcuts snap within the output a window is on and move it to the next one;
the zone preview and the zone picker appear on that output, at the zone's size in the
compositor's logical pixels (not scaled twice), and so does a tile group's divider.
"""
import subprocess
import sys
import time

from kwin_desktop import (ALT, CELL, CTRL, ESCAPE, LEFT, RIGHT, SPACE, is_active, kelvra_env,
                          near, open_client, run, wait_for, window_of)

KELVRA = sys.argv[1]
OUT_W, OUT_H = 1440, 900  # each output, logical
KEY_N = 49


def scenario(kelvra, keys, clients, log):
    term = open_client(["weston-terminal"], "Wayland terminal")
    clients.append(term)
    keys.press(CTRL, ALT, LEFT)
    wait_for("the left half of the first output", lambda: near(
        window_of(term.pid), x=0, y=0, w=OUT_W / 2, h=OUT_H), 5)
    keys.press(CTRL, ALT, KEY_N)
    wait_for("the left half of the second output", lambda: near(
        window_of(term.pid), x=OUT_W, y=0, w=OUT_W / 2, h=OUT_H), 5)
    print("snapped on the first output, moved to the second", flush=True)

    keys.move(OUT_W + OUT_W / 2, OUT_H / 2)
    subprocess.run([KELVRA, "--show-zone=rightHalf"], env=kelvra_env(), check=True)
    # It grows into place around the zone's centre: the centre tells where it is, the
    # size that it is not scaled twice.
    seen = []

    def preview_centred():
        p = window_of(kelvra.pid, "Kelvra zone preview")
        if p:
            seen.append(p)
        return p and abs(p["x"] + p["w"] / 2 - (OUT_W + OUT_W * 3 / 4)) < CELL and \
            abs(p["y"] + p["h"] / 2 - OUT_H / 2) < CELL and p["w"] > OUT_W / 4

    try:
        wait_for("the preview on the second output's right half", preview_centred, 5)
    except AssertionError:
        raise AssertionError("no preview on the second output's right half; seen: %r" % seen)
    print("preview:", window_of(kelvra.pid, "Kelvra zone preview"), flush=True)
    time.sleep(1.5)  # the preview goes again

    wait_for("the terminal to have the focus", lambda: is_active(term.pid), 5)
    keys.press(CTRL, ALT, SPACE)
    picker = wait_for("the picker", lambda: window_of(kelvra.pid, "Kelvra zone picker"), 5)
    centre = picker["x"] + picker["w"] / 2
    if abs(centre - (OUT_W + OUT_W / 2)) > CELL or picker["w"] < 400:
        raise AssertionError("the picker is not centred on the second output at its "
                             "logical size: %r" % picker)
    print("picker:", picker, flush=True)
    keys.press(ESCAPE)

    # A second terminal in the right half forms a group: its divider stands on the
    # second output between the two, as thin as at scale 1 (16 logical pixels).
    other = open_client(["weston-terminal"], "another Wayland terminal")
    clients.append(other)
    if window_of(other.pid)["x"] < OUT_W:
        keys.press(CTRL, ALT, KEY_N)
    keys.press(CTRL, ALT, RIGHT)
    wait_for("the second terminal in the second output's right half", lambda: near(
        window_of(other.pid), x=OUT_W + OUT_W / 2, y=0, w=OUT_W / 2, h=OUT_H), 5)

    def divider():
        d = window_of(kelvra.pid, "Kelvra divider*")
        return d if d and abs(d["x"] + d["w"] / 2 - (OUT_W + OUT_W / 2)) < CELL and \
            8 <= d["w"] <= 20 and abs(d["h"] - OUT_H) < 2 * CELL else None

    try:
        wait_for("the divider between them at its logical size", divider, 5)
    except AssertionError:
        raise AssertionError("divider %r" % window_of(kelvra.pid, "Kelvra divider*"))
    print("divider:", divider(), flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "two scaled outputs on KWin"))
