#!/usr/bin/python3
"""Screenshots of Kelvra's own windows on a headless KWin Wayland session at scale 1: the
zone preview over a terminal, the zone picker, the divider of a tile group and the
settings window. Run inside scripts/kwin-session.sh --screenshots --fake-input TOOL
(`make kwin-gallery`):

    scripts/kwin-screenshots.py PROGRAM OUTPUT_DIR

Pictures come from KWin's org.kde.KWin.ScreenShot2 interface, which KWin grants only to
a program whose desktop file lists it (--screenshots writes one for /usr/bin/python3).
"""
import os
import struct
import subprocess
import sys
import time
import zlib

import dbus

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "bridges", "kwin"))
from kwin_desktop import (ALT, CELL, CTRL, ESCAPE, LEFT, RIGHT, SPACE, Input,  # noqa: E402
                          bus, is_active, kelvra_env, kwin_windows, open_client, start_kelvra, stop,
                          wait_for, window_of)

# QImage's formats KWin hands out: 32 bits per pixel, blue first in memory.
RGB32, ARGB32, ARGB32_PREMULTIPLIED = 4, 5, 6


def png(path, width, height, stride, pixels):
    rows = b"".join(b"\0" + bytes(pixels[y * stride + x * 4 + c]
                                   for x in range(width) for c in (2, 1, 0))
                    for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def capture(path, area=(0, 0, 1440, 900)):
    """The screen's area `area` (x, y, w, h in logical pixels) into a PNG at `path`."""
    shots = dbus.Interface(bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                           "org.kde.KWin.ScreenShot2")
    reading, writing = os.pipe()
    x, y, w, h = area
    info = shots.CaptureArea(x, y, w, h, {"native-resolution": False},
                             dbus.types.UnixFd(writing))
    os.close(writing)
    data = b""
    with os.fdopen(reading, "rb") as f:
        while True:
            part = f.read(1 << 20)
            if not part:
                break
            data += part
    width, height, stride = int(info["width"]), int(info["height"]), int(info["stride"])
    if int(info["format"]) not in (RGB32, ARGB32, ARGB32_PREMULTIPLIED):
        raise AssertionError("unexpected picture format %s" % info["format"])
    png(path, width, height, stride, data)
    print("wrote", path, "(%dx%d)" % (width, height), flush=True)


def own_window(kelvra, caption):
    for w in kwin_windows()["windows"]:
        if w["pid"] == kelvra.pid and w["caption"] == caption and not w["minimized"]:
            return w
    return None


def main():
    program, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    kelvra, log = start_kelvra(program, {"windowGap": 0})
    keys = Input()
    clients = []
    try:
        left = open_client(["weston-terminal"], "a Wayland terminal")
        clients.append(left)
        # The zone preview over the right half, while a window waits to go there.
        subprocess.run([program, "--show-zone=rightHalf"], env=kelvra_env(), check=True)
        wait_for("the zone preview", lambda: own_window(kelvra, "Kelvra zone preview"), 5)
        time.sleep(0.5)  # its fade-in
        capture(os.path.join(out, "kwin-preview.png"))
        # The zone picker for the terminal.
        keys.press(CTRL, ALT, SPACE)
        wait_for("the zone picker", lambda: any(
            w["pid"] == kelvra.pid and "picker" in w["caption"].lower()
            for w in kwin_windows()["windows"]), 5)
        time.sleep(0.5)
        capture(os.path.join(out, "kwin-picker.png"))
        keys.press(ESCAPE)
        # Two terminals side by side: a tile group and its divider.
        wait_for("the terminal to have the focus again", lambda: is_active(left.pid), 5)
        keys.press(CTRL, ALT, LEFT)
        wait_for("the first terminal on the left half",
                 lambda: (window_of(left.pid) or {}).get("x", 99) < CELL, 5)
        right = open_client(["weston-terminal"], "a second Wayland terminal")
        clients.append(right)
        keys.press(CTRL, ALT, RIGHT)
        wait_for("the second terminal on the right half",
                 lambda: abs((window_of(right.pid) or {}).get("x", 0) - 720) < CELL, 5)
        time.sleep(1.5)  # the group forms and its divider shows
        capture(os.path.join(out, "kwin-divider.png"), (420, 150, 600, 400))
        # The settings window, from a second start.
        subprocess.Popen([program], env=kelvra_env())
        wait_for("the settings window", lambda: any(
            w["pid"] == kelvra.pid and "settings" in w["caption"].lower()
            for w in kwin_windows()["windows"]), 10)
        time.sleep(1)
        capture(os.path.join(out, "kwin-settings.png"))
        return 0
    finally:
        keys.close()
        stop(clients + [kelvra])


if __name__ == "__main__":
    sys.exit(main())
