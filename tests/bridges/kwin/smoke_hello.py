#!/usr/bin/python3
"""Smoke test of the bridge in a real KWin (run inside scripts/kwin-session.sh).

Plays Kelvra's side of the bus for one exchange: owns the bridge's name, welcomes the
script's hello, expects the desktop snapshot, answers the long poll with a getPointer
command and expects its result. Exits 0 when all of it arrived within the time limit.
"""
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "io.github.kelvra.Bridge"
TOKEN = "smoke-token"
# The script retries its hello every few seconds; KWin loads it on reconfigure.
LIMIT_S = 40

seen = []
failure = []


def finish(reason=None):
    if reason:
        failure.append(reason)
    loop.quit()


class Bridge(dbus.service.Object):
    @dbus.service.method(NAME, in_signature="s", out_signature="s")
    def Hello(self, text):
        m = json.loads(text)
        seen.append("hello")
        if (m.get("v"), m.get("type"), m.get("bridge")) != (1, "hello", "kwin"):
            finish("unexpected hello: " + text)
        if m.get("api") != 5 and m.get("api") != 6:
            finish("unexpected api generation: " + text)
        return json.dumps({"v": 1, "type": "welcome", "token": TOKEN, "pid": 1})

    @dbus.service.method(NAME, in_signature="s", out_signature="s")
    def Event(self, text):
        m = json.loads(text)
        if m.get("token") != TOKEN:
            finish("an event without the token: " + text)
        seen.append(m["type"])
        if m["type"] == "snapshot":
            if not m["screens"] or m["screens"][0]["geometry"]["w"] != 1440:
                finish("unexpected screens: " + text)
        if m["type"] == "result":
            if m.get("id") == 1 and m.get("status") == "done" and "x" in m.get("pointer", {}):
                finish()
            else:
                finish("unexpected result: " + text)
        return json.dumps({"v": 1, "type": "ack", "token": TOKEN})

    @dbus.service.method(NAME, in_signature="s", out_signature="s")
    def Poll(self, text):
        m = json.loads(text)
        seen.append("poll")
        if m.get("token") != TOKEN:
            finish("a poll without the token: " + text)
        commands = [{"id": 1, "cmd": "getPointer"}] if seen.count("poll") == 1 else []
        return json.dumps({"v": 1, "type": "commands", "token": TOKEN, "commands": commands})


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
held = dbus.service.BusName(NAME, bus)
Bridge(bus, "/Bridge")
loop = GLib.MainLoop()
GLib.timeout_add_seconds(LIMIT_S, lambda: finish("timed out") or False)
loop.run()

print("seen:", " ".join(seen))
if failure or "snapshot" not in seen:
    print("bridge smoke test failed:", "; ".join(failure) or "no snapshot", file=sys.stderr)
    sys.exit(1)
print("the bridge said hello, sent the desktop and answered a command")
