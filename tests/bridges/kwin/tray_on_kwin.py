#!/usr/bin/python3
"""Kelvra's tray icon on a real headless KWin (inside scripts/kwin-session.sh --fake-input;
the program's path is the argument). With a status notifier host on the bus (tray_host.py,
standing in for the panel), Kelvra's icon registers as a StatusNotifierItem with its
tooltip and icon; its menu, read over the bus as the panel reads it, lists the zones with
their shortcuts, and clicking "Left half" there moves the active window.
"""
import os
import select
import subprocess
import sys

import dbus

from kwin_desktop import CELL, bus, open_client, run, stop, wait_for, window_of

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


def labels(layout, found):
    """Every item of a dbusmenu layout (id, properties, children), depth first."""
    item_id, properties, children = layout
    if "label" in properties:
        found[str(properties["label"]).replace("_", "")] = int(item_id)
    for child in children:
        labels(child, found)
    return found


def scenario(host, kelvra, keys, clients, log):
    ready, _, _ = select.select([host.stdout], [], [], 20)
    line = host.stdout.readline().split() if ready else []
    if len(line) != 3 or line[0] != "item":
        raise AssertionError("no item registered: %r" % line)
    item = bus.get_object(line[1], line[2])
    props = dbus.Interface(item, dbus.PROPERTIES_IFACE).GetAll(ITEM)
    if props.get("Status") != "Active":
        raise AssertionError("the item is not active: %r" % props.get("Status"))
    if not str(props["ToolTip"][2]).startswith("Kelvra"):
        raise AssertionError("tooltip %r" % (props["ToolTip"],))
    if not props.get("IconName") and not props.get("IconPixmap"):
        raise AssertionError("the item shows no icon")
    menu = dbus.Interface(bus.get_object(line[1], props["Menu"]), MENU)
    menu.AboutToShow(0)
    items = labels(menu.GetLayout(0, -1, ["label"])[1], {})
    for wanted in ("Left half", "Right half", "Maximize"):
        if not any(label.startswith(wanted) for label in items):
            raise AssertionError("%r not in the menu %r" % (wanted, sorted(items)))
    print("the item and its menu are on the bus", flush=True)

    term = open_client(["weston-terminal"], "Wayland terminal")
    clients.append(term)
    left = next(i for label, i in items.items() if label.startswith("Left half"))
    menu.Event(left, "clicked", dbus.String("", variant_level=1), dbus.UInt32(0))

    def left_half():
        f = window_of(term.pid)
        return f["x"] < CELL and abs(f["x"] + f["w"] - SCREEN_W / 2) < CELL
    wait_for("the terminal in the left half", left_half, 5)
    print("the menu's Left half moved the active window", flush=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    host = subprocess.Popen([sys.executable, os.path.join(here, "tray_host.py")],
                            stdout=subprocess.PIPE, text=True)
    if host.stdout.readline().strip() != "ready":
        print("FAILED: the status notifier host did not start", file=sys.stderr)
        return 1
    try:
        return run(KELVRA, lambda *running: scenario(host, *running), "tray on KWin")
    finally:
        stop([host])


if __name__ == "__main__":
    sys.exit(main())
