#!/usr/bin/python3
"""Screenshots of Kelvra's own windows on a headless KWin Wayland session: the zone
preview over a terminal, the zone picker, snap assist's cards, the divider of a tile group
and the settings window. Run inside scripts/kwin-session.sh --screenshots --fake-input TOOL
[--scale S] (`make kwin-gallery` takes them at scale 1 and 1.5):

    scripts/kwin-screenshots.py PROGRAM OUTPUT_DIR [SUFFIX]

Pictures are OUTPUT_DIR/kwin-NAME.png, or with a SUFFIX kwin-NAME-SUFFIX.png in the
output's own pixels (a fractional scale shows as the user sees it).

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
from kwin_desktop import (ALT, CELL, CTRL, ESCAPE, RIGHT, SPACE, Input,  # noqa: E402
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


def capture(path, area=(0, 0, 1440, 900), native=False):
    """The screen's area `area` (x, y, w, h in logical pixels) into a PNG at `path`, in the
    output's own pixels when `native`."""
    shots = dbus.Interface(bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                           "org.kde.KWin.ScreenShot2")
    reading, writing = os.pipe()
    x, y, w, h = area
    info = shots.CaptureArea(x, y, w, h, {"native-resolution": native},
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
    suffix = "-" + sys.argv[3] if len(sys.argv) > 3 else ""
    os.makedirs(out, exist_ok=True)

    def shot(name, area=(0, 0, 1440, 900)):
        capture(os.path.join(out, "kwin-%s%s.png" % (name, suffix)), area, bool(suffix))

    kelvra, log = start_kelvra(program, {"windowGap": 0, "snapAssistEnabled": True})
    keys = Input()
    clients = []
    try:
        left = open_client(["weston-terminal"], "a Wayland terminal")
        clients.append(left)
        # The zone preview over the right half, while a window waits to go there.
        subprocess.run([program, "--show-zone=rightHalf"], env=kelvra_env(), check=True)
        wait_for("the zone preview", lambda: own_window(kelvra, "Kelvra zone preview"), 5)
        time.sleep(0.5)  # its fade-in
        shot("preview")
        # The zone picker for the terminal.
        keys.press(CTRL, ALT, SPACE)
        wait_for("the zone picker", lambda: any(
            w["pid"] == kelvra.pid and "picker" in w["caption"].lower()
            for w in kwin_windows()["windows"]), 5)
        time.sleep(0.5)
        shot("picker")
        keys.press(ESCAPE)
        wait_for("the terminal to have the focus again", lambda: is_active(left.pid), 5)
        # A second terminal snapped right: snap assist offers the first on the left half.
        right = open_client(["weston-terminal"], "a second Wayland terminal")
        clients.append(right)
        keys.press(CTRL, ALT, RIGHT)
        wait_for("snap assist's cards", lambda: any(
            w["pid"] == kelvra.pid and w["caption"].startswith("Kelvra snap assist")
            for w in kwin_windows()["windows"]), 5)
        time.sleep(0.8)  # its fade-in
        shot("assist")
        # Its card taken: two terminals side by side, a tile group and its divider.
        keys.move(120, 110)  # on the card
        keys.send("button 1")
        keys.send("button 0")
        wait_for("the first terminal on the left half",
                 lambda: (window_of(left.pid) or {}).get("x", 99) < CELL, 5)
        time.sleep(1.5)  # the group forms and its divider shows
        shot("divider", (420, 150, 600, 400))
        # The settings window, from a second start.
        subprocess.Popen([program], env=kelvra_env())
        wait_for("the settings window", lambda: any(
            w["pid"] == kelvra.pid and "settings" in w["caption"].lower()
            for w in kwin_windows()["windows"]), 10)
        time.sleep(1)
        shot("settings")
        return 0
    finally:
        keys.close()
        stop(clients + [kelvra])


if __name__ == "__main__":
    sys.exit(main())
