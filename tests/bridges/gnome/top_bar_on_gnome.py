#!/usr/bin/python3
"""Kelvra's menu in GNOME's top bar (inside scripts/gnome-session.sh --probe; the program's
path is the argument). GNOME has no tray: the extension shows Kelvra's button in the top
bar. A real click opens its menu, which lists the zones with their shortcuts; a click on
"Left half" puts the active window, a Wayland terminal, on the left half of the work area.
"""
import sys
import time

from gnome_desktop import CELL, desktop, open_client, run, wait_for, window_of

KELVRA = sys.argv[1]
SCREEN_W = 1440


def top_bar():
    return desktop()["topBar"]


def click(keys, box):
    keys.move(int(box["x"] + box["w"] / 2), int(box["y"] + box["h"] / 2))
    time.sleep(0.1)
    keys.button(True)
    keys.button(False)


def scenario(kelvra, keys, clients, log):
    term = open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    before = window_of(term.pid)
    button = wait_for("Kelvra's button in the top bar", top_bar, 10)
    if button["y"] > 40:
        raise AssertionError("the button is not in the top bar: %r" % button)
    print("button in the top bar at", {k: button[k] for k in "xywh"}, flush=True)

    click(keys, button)
    # Open, and laid out: its items have their places.
    menu = wait_for("the menu to open", lambda: (
        lambda b: b if b and b["open"] and all(i["x"] is not None for i in b["items"])
        else None)(top_bar()), 5)
    items = {i["title"]: i for i in menu["items"]}
    for title, shortcut in [("Left half", "Ctrl+Alt+←"), ("Right half", "Ctrl+Alt+→")]:
        if title not in items or shortcut not in items[title]["shortcut"].replace(" ", ""):
            raise AssertionError("no %s with %s in %r" % (title, shortcut, menu["items"]))
    print("the menu shows:", [(i["title"], i["shortcut"]) for i in menu["items"]], flush=True)
    if not window_of(term.pid)["active"]:
        raise AssertionError("the open menu took the focus from the terminal")

    click(keys, items["Left half"])
    wait_for("the menu to close", lambda: not top_bar()["open"], 5)
    frame = wait_for("the terminal on the left half", lambda: (
        lambda f: f if f["x"] < CELL and abs(f["w"] - SCREEN_W / 2) < CELL else None)(
            window_of(term.pid)), 5)
    print("Left half moved the terminal from", before, "to", frame, flush=True)


if __name__ == "__main__":
    sys.exit(run(KELVRA, scenario, "the top-bar menu"))
