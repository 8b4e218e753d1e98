#!/usr/bin/python3
"""A stand-in for the desktop's notification server (org.freedesktop.Notifications): it
prints each notification as one JSON line ("notify {...}") and, given "invoke ID ACTION"
on stdin, says that the user chose that action."""
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"


class Server(dbus.service.Object):
    def __init__(self, bus):
        self.next = 0
        super().__init__(dbus.service.BusName(NAME, bus), "/org/freedesktop/Notifications")

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.next += 1
        print("notify " + json.dumps({"id": self.next, "app": str(app), "summary": str(summary),
                                      "body": str(body),
                                      "actions": [str(a) for a in actions]}), flush=True)
        return dbus.UInt32(self.next)

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "kelvra tests", "1", "1.2")

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, id, action):
        pass


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    server = Server(dbus.SessionBus())

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        parts = line.split()
        if len(parts) == 3 and parts[0] == "invoke":
            server.ActionInvoked(dbus.UInt32(int(parts[1])), parts[2])
        return True

    loop = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    print("ready", flush=True)
    loop.run()


if __name__ == "__main__":
    sys.exit(main())
