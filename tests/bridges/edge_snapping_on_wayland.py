#!/usr/bin/python3
"""The compositor's own edge snapping as the desktop comes (inside
scripts/kwin-session.sh --stock or scripts/gnome-session.sh --probe --stock; the program's
path is the argument). With both on, only the compositor answers a drag: Kelvra shows no
preview and the window ends in the compositor's half. Once the compositor's is switched
off, the next drag shows Kelvra's preview and ends in its zone. The snap tab of the
settings window (opened by a second start, driven from the keyboard) switches it off, and
back on: kwinrc as it was on KWin, mutter's edge-tiling in GSettings on GNOME.
"""
import os
import subprocess
import sys
import time

from desktop_common import SPACE, kelvra_env, near, shown, wait_for
from wayland_desktop import desktop

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900
TAB = 15  # evdev


def kwinrc():
    with open(os.path.join(os.environ["XDG_CONFIG_HOME"], "kwinrc")) as f:
        return f.read()


def mutter_edge_tiling():
    return subprocess.run(["gsettings", "get", "org.gnome.mutter", "edge-tiling"],
                          capture_output=True, text=True, check=True).stdout.strip()


def press_in_snap_tab(kelvra, keys, tabs):
    """Opens the snap tab from a second start and presses its control `tabs` Tabs in."""
    subprocess.run([KELVRA, "--settings=snap"], env=kelvra_env(), check=True, timeout=20)
    wait_for("the settings window to have the focus", lambda: desktop.is_active(kelvra.pid), 10)
    time.sleep(0.3)
    for _ in range(tabs):
        keys.press(TAB)
    keys.press(SPACE)


def drag_to_left_edge(kelvra, keys, pid):
    """Drags the window's title bar to the left edge and rests there; whether Kelvra's
    preview showed."""
    f = desktop.window_of(pid)
    seen = {"preview": False}

    def rest():
        end = time.monotonic() + 1.5
        while time.monotonic() < end and not seen["preview"]:
            seen["preview"] = shown(desktop.window_of(kelvra.pid, "Kelvra zone preview"))
            time.sleep(0.1)

    keys.drag((f["x"] + f["w"] // 2, f["y"] + 12), (1, SCREEN_H // 2), hold=rest)
    return seen["preview"]


def expect_left_half(kelvra, keys, pid, by_kelvra):
    """A drag to the left edge ends in the left half: by Kelvra, with its preview, or by the
    compositor, without."""
    desktop.ready_to_drag(keys, pid)
    preview = drag_to_left_edge(kelvra, keys, pid)
    who = "Kelvra" if by_kelvra else "the compositor"
    if bool(preview) != by_kelvra:
        raise AssertionError("Kelvra's preview %s while %s snaps the drag"
                             % ("showed" if preview else "did not show", who))
    wait_for(who + " to tile the window",
             lambda: near(desktop.window_of(pid), x=0, w=SCREEN_W / 2), 5)
    print(who, "tiled the window:", desktop.window_of(pid), flush=True)


def scenario(kelvra, keys, clients, log):
    if desktop.NAME == "GNOME" and mutter_edge_tiling() != "true":
        raise AssertionError("mutter's edge tiling is not on as GNOME comes")
    term = desktop.open_client(["weston-terminal"], "the Wayland terminal", keys)
    clients.append(term)
    expect_left_half(kelvra, keys, term.pid, by_kelvra=False)

    press_in_snap_tab(kelvra, keys, 2)
    if desktop.NAME == "KWin":
        wait_for("kwinrc to switch KWin's edge snapping off",
                 lambda: "ElectricBorderTiling=false" in kwinrc(), 5)
    else:
        wait_for("mutter's edge tiling off", lambda: mutter_edge_tiling() == "false", 5)
    print("the snap tab switched the compositor's edge snapping off", flush=True)
    # Away from the edge, its title bar below the settings window (still open, centred, and
    # maybe in front: the next press must reach the terminal), then Kelvra's drag: its
    # preview, its zone.
    frame = desktop.window_of(term.pid)
    keys.drag((frame["x"] + 200, frame["y"] + 12), (700, SCREEN_H - 120))
    expect_left_half(kelvra, keys, term.pid, by_kelvra=True)

    press_in_snap_tab(kelvra, keys, 2)
    if desktop.NAME == "KWin":
        wait_for("kwinrc as it was", lambda: "ElectricBorder" not in kwinrc(), 5)
    else:
        wait_for("mutter's edge tiling on again", lambda: mutter_edge_tiling() == "true", 5)
    print("switching it back on left the compositor's setting as it was", flush=True)


if __name__ == "__main__":
    sys.exit(desktop.run(KELVRA, scenario, "the compositor's edge snapping on " + desktop.NAME))
