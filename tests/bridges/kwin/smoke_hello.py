#!/usr/bin/python3
"""Smoke test of a bridge in a real compositor: KWin's script (run inside
scripts/kwin-session.sh) or, given the argument `gnome`, GNOME Shell's extension (inside
scripts/gnome-session.sh).

Plays Kelvra's side of the bus: owns the bridge's name, welcomes the bridge's hello,
expects the desktop snapshot, opens a Wayland terminal (on GNOME also an Xwayland one)
and, once the bridge reports each window (and only then its activation), sends
getPointer and setFrame through the held long poll. Passes when the results come back:
the pointer, and the frame each terminal actually took (it rounds its size to whole
character cells). Debian's python3 on purpose: it has the D-Bus binding.
"""
import json
import subprocess
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "io.github.kelvra.Bridge"
TOKEN = "smoke-token"
# KWin loads the script at start, before this listener owns the name: the script's
# second hello (after its 5 s timeout and 1 s back-off) is the one that arrives.
LIMIT_S = 60
ASKED = {"x": 100, "y": 80, "w": 600, "h": 400}
BRIDGE = sys.argv[1] if len(sys.argv) > 1 else "kwin"
APIS = {"kwin": (5, 6), "gnome": range(43, 100)}[BRIDGE]
# An Xwayland window takes a new position only when moved before it is resized: GNOME's
# extension does so, and the xterm shows it.
CLIENTS = [["weston-terminal"]] + ([["xterm"]] if BRIDGE == "gnome" else [])

seen = []
failure = []
queued = []
held = []  # the outstanding poll's reply callback
terminal = []
known = set()  # window ids announced so far
moved = []  # ids of the setFrame commands answered as asked


def finish(reason=None):
    if reason:
        failure.append(reason)
    loop.quit()


def flush():
    if queued and held:
        reply = held.pop()
        reply(json.dumps({"v": 1, "type": "commands", "token": TOKEN, "commands": queued[:]}))
        queued.clear()


def check_result(m):
    if m.get("id") == 1:
        if m.get("status") != "done" or "x" not in m.get("pointer", {}):
            finish("unexpected pointer result: %s" % m)
    elif m.get("id", 0) >= 2:
        frame = m.get("frame", {})
        print("setFrame:", m.get("status"), frame)
        if m.get("status") not in ("settled", "timedOut"):
            finish("unexpected setFrame result: %s" % m)
        elif (frame.get("x"), frame.get("y")) != (ASKED["x"], ASKED["y"]):
            finish("the frame did not move: %s" % m)
        elif abs(frame.get("w", 0) - ASKED["w"]) > 40 or abs(frame.get("h", 0) - ASKED["h"]) > 40:
            finish("the frame did not take the size: %s" % m)
        else:
            moved.append(m["id"])
            if len(moved) == len(CLIENTS):
                finish()


class Bridge(dbus.service.Object):
    @dbus.service.method(NAME, in_signature="s", out_signature="s")
    def Hello(self, text):
        m = json.loads(text)
        seen.append("hello")
        if (m.get("v"), m.get("type"), m.get("bridge")) != (1, "hello", BRIDGE):
            finish("unexpected hello: " + text)
        if m.get("api") not in APIS:
            finish("unexpected api generation: " + text)
        return json.dumps({"v": 1, "type": "welcome", "token": TOKEN, "pid": 1})

    @dbus.service.method(NAME, in_signature="s", out_signature="s")
    def Event(self, text):
        m = json.loads(text)
        if m.get("token") != TOKEN:
            finish("an event without the token: " + text)
        seen.append(m["type"])
        if m["type"] == "snapshot" and not terminal:
            if not m["screens"] or m["screens"][0]["geometry"]["w"] != 1440:
                finish("unexpected screens: " + text)
            for command in CLIENTS:
                terminal.append(subprocess.Popen(command, stderr=subprocess.DEVNULL))
        if m["type"] == "snapshot":
            known.update(w["id"] for w in m["windows"])
        if m["type"] == "windowActivated" and m["window"] not in known and m["window"]:
            finish("activated before it was announced: " + text)
        if m["type"] == "windowAdded":
            known.add(m["window"]["id"])
        if m["type"] == "windowAdded" and m["window"]["kind"] == "normal":
            queued.append({"id": 1, "cmd": "getPointer"})
            queued.append({"id": 2 + len(known), "cmd": "setFrame", "window": m["window"]["id"],
                           "frame": ASKED})
            flush()
        if m["type"] == "result":
            check_result(m)
        return json.dumps({"v": 1, "type": "ack", "token": TOKEN})

    @dbus.service.method(NAME, in_signature="s", out_signature="s",
                         async_callbacks=("reply", "error"))
    def Poll(self, text, reply, error):
        m = json.loads(text)
        seen.append("poll")
        if m.get("token") != TOKEN:
            finish("a poll without the token: " + text)
        held[:] = [reply]
        flush()


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName(NAME, bus)
Bridge(bus, "/Bridge")
loop = GLib.MainLoop()
GLib.timeout_add_seconds(LIMIT_S, lambda: finish("timed out") or False)
loop.run()
for process in terminal:
    process.terminate()
    process.wait()

print("seen:", " ".join(seen))
if failure:
    print("bridge smoke test failed:", "; ".join(failure), file=sys.stderr)
    sys.exit(1)
print("the bridge said hello, sent the desktop, reported a window and moved it")
