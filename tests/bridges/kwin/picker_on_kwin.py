#!/usr/bin/python3
"""The zone picker on a real headless KWin (inside scripts/kwin-session.sh --fake-input;
the program's path is the argument). Ctrl+Alt+Space opens it over a Wayland terminal;
the picker takes the keys (the bridge gives it the focus): Right then Return puts the
terminal on the right half and the focus back on it; Escape and a click on another window
close it; a digit picks a zone at once.
"""
import sys

from kwin_desktop import (ALT, CELL, CTRL, ESCAPE, RETURN, RIGHT, SPACE, Input, is_active,
                          open_client, run_checks, start_kelvra, wait_for, window_of)

KELVRA = sys.argv[1]
SCREEN_W, SCREEN_H = 1440, 900
KEY_3 = 4


def main():
    kelvra, log = start_kelvra(KELVRA, {})
    keys = Input()
    clients = []

    def checks():
            term = open_client(["weston-terminal"], "Wayland terminal")
            clients.append(term)

            def picker():
                w = window_of(kelvra.pid, "Kelvra zone picker")
                return w if w and not w["minimized"] else None

            def open_picker():
                keys.press(CTRL, ALT, SPACE)
                panel = wait_for("the picker with the focus",
                                 lambda: picker() if is_active(kelvra.pid) else None, 5)
                return panel

            def closed():
                wait_for("the picker to close", lambda: picker() is None, 5)
                wait_for("the focus back on the terminal", lambda: is_active(term.pid), 5)

            def at(fx, fy, fw, fh):
                def placed():
                    f = window_of(term.pid)
                    return abs(f["x"] - fx) < CELL and abs(f["y"] - fy) < CELL and \
                        abs(f["w"] - fw) < CELL and abs(f["h"] - fh) < CELL
                wait_for("the terminal at %r" % ((fx, fy, fw, fh),), placed, 5)

            panel = open_picker()
            centre = (panel["x"] + panel["w"] / 2, panel["y"] + panel["h"] / 2)
            if abs(centre[0] - SCREEN_W / 2) > CELL or abs(centre[1] - SCREEN_H / 2) > 2 * CELL:
                raise AssertionError("the picker is not centred: %r" % panel)
            keys.press(RIGHT)
            keys.press(RETURN)
            at(SCREEN_W / 2, 0, SCREEN_W / 2, SCREEN_H)
            closed()
            print("Right, Return: right half, focus back on the terminal", flush=True)

            open_picker()
            keys.press(ESCAPE)
            closed()
            print("Escape closed it", flush=True)

            open_picker()
            f = window_of(term.pid)
            keys.move(f["x"] + 40, f["y"] + f["h"] - 40)
            keys.send("button 1")
            keys.send("button 0")
            closed()
            print("a click on the terminal closed it", flush=True)

            open_picker()
            keys.press(KEY_3)
            at(0, 0, SCREEN_W, SCREEN_H / 2)
            closed()
            print("3: top half", flush=True)

    return run_checks("zone picker on KWin", checks, kelvra, log, keys, clients)


if __name__ == "__main__":
    sys.exit(main())
