"""The desktop of the session a scenario runs in, for the end-to-end scenarios every
Wayland desktop runs (tests/bridges/*_on_wayland.py): scripts/kwin-session.sh names KWin's
log in the environment, scripts/gnome-session.sh --probe the shell's, which picks
kwin/kwin_desktop.py or gnome/gnome_desktop.py. Both offer, under the same names:
NAME ("KWin", "GNOME"), TOP_BAR (the work area's top), LOG (the compositor's output),
STARTS (the file counting its starts), BRIDGE_FILE (a file of the bridge's installed
package), windows() (bottom to top, each with pid, title, app, x, y, w, h, minimized,
skipTaskbar and its place in the stack), window_of(pid, title), is_active(pid), Input
(press, move, click, drag, close), open_client(argv, name, keys) (started and focused),
ready_to_drag(keys, pid), start_kelvra(program, settings) and
run(program, scenario, name, settings) (scenario(kelvra, keys, clients, log))."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
if "KELVRA_KWIN_LOG" in os.environ:
    sys.path.insert(0, os.path.join(HERE, "kwin"))
    import kwin_desktop as desktop  # noqa: E402,F401
else:
    sys.path.insert(0, os.path.join(HERE, "gnome"))
    import gnome_desktop as desktop  # noqa: E402,F401

# Kelvra's test client, next to the program built (the scenarios' argument).
TEST_CLIENT = os.path.join(os.path.dirname(sys.argv[1]), "..", "tests", "e2e",
                           "kelvra-testclient")
