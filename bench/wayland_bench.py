"""What the benchmarks on a headless Wayland desktop (bench/kwin, bench/gnome) share: the
latency table against the floor, and Kelvra's idle counters and memory."""
import argparse
import os
import subprocess
import sys
import time

import dbus

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "bridges"))
from desktop_common import failures_reported, stop  # noqa: E402


def quantile(values, q):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(q * (len(ordered) - 1) + 0.5))] if ordered else 0


class Path:
    def __init__(self, name):
        self.name = name
        self.millis = []
        self.missed = 0

    def add(self, ms):
        if ms is None:
            self.missed += 1
        else:
            self.millis.append(ms)

    def row(self):
        return "| %s | %.2f ms | %.2f ms | %d%s |" % (
            self.name, quantile(self.millis, 0.5), quantile(self.millis, 0.95), len(self.millis),
            ", %d without a change" % self.missed if self.missed else "")


def memory(pid):
    values = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            parts = line.split()
            if parts[0] in ("Rss:", "Pss:"):
                values[parts[0][:-1]] = int(parts[1]) / 1024.0
    return "RSS %.1f MiB, PSS %.1f MiB" % (values["Rss"], values["Pss"])


def thread_counters(pid):
    """Context switches and CPU clock ticks of every thread: {tid: (name, switches, ticks)}."""
    counters = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        base = "/proc/%d/task/%s/" % (pid, tid)
        try:
            with open(base + "comm") as f:
                name = f.read().strip()
            switches = 0
            with open(base + "status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
            with open(base + "stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            counters[tid] = (name, switches, int(fields[11]) + int(fields[12]))
        except OSError:
            continue  # the thread ended meanwhile
    return counters


def io_calls(pid):
    """Kelvra's read and write system calls so far: its traffic over every connection,
    the bridge's direct one too, which the bus monitor does not see."""
    with open("/proc/%d/io" % pid) as f:
        fields = dict(line.split(": ") for line in f.read().splitlines())
    return int(fields["syscr"]) + int(fields["syscw"])


def bus_pids():
    """The process of every connection on the bus, by unique and well-known name (a call
    names the service it is for, its reply the caller's unique name)."""
    daemon = dbus.Interface(dbus.SessionBus().get_object("org.freedesktop.DBus",
                                                         "/org/freedesktop/DBus"),
                            "org.freedesktop.DBus")
    pids = {}
    for name in daemon.ListNames():
        try:
            pids[str(name)] = int(daemon.GetConnectionUnixProcessID(name))
        except dbus.DBusException:
            pass
    return pids


def idle(kelvra_pid, compositor_pid, compositor, seconds, settle):
    """Counts what happens while nothing happens; the compositor's connection (named
    `compositor` in the figures) carries Kelvra's bridge. settle(s) runs the caller's loop."""
    monitor = subprocess.Popen(["dbus-monitor", "--session", "--profile"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    settle(1.0)  # the monitor is listening
    before, calls = thread_counters(kelvra_pid), io_calls(kelvra_pid)
    time.sleep(seconds)
    after, calls = thread_counters(kelvra_pid), io_calls(kelvra_pid) - calls
    monitor.terminate()
    lines = monitor.communicate(timeout=5)[0].splitlines()
    pids = bus_pids()
    names = {kelvra_pid: "Kelvra", compositor_pid: compositor, os.getpid(): "benchmark"}
    between, other = [], {}
    for line in lines:
        fields = line.split("\t")
        # type, time, serial, sender, destination, then path, interface, member
        if len(fields) < 5 or fields[0] not in ("mc", "mr", "err", "sig"):
            continue
        ends = {names.get(pids.get(fields[3]), fields[3]),
                names.get(pids.get(fields[4]), fields[4])}
        what = "%s %s" % (fields[0], fields[7] if len(fields) > 7 else "(reply)")
        if ends == {"Kelvra", compositor}:
            between.append(what)
        elif "benchmark" not in ends and "org.freedesktop.DBus" not in ends:
            key = "%s: %s" % (" → ".join(sorted(ends)), what)
            other[key] = other.get(key, 0) + 1
    switches = {}
    ticks = 0
    for tid, (name, count, cpu) in after.items():
        was = before.get(tid, (name, 0, 0))
        switches[name] = switches.get(name, 0) + count - was[1]
        ticks += cpu - was[2]
    hz = os.sysconf("SC_CLK_TCK")
    print("Kelvra over %g s: %d context switches (%s), %d clock ticks of CPU (%.3f %%)" % (
        seconds, sum(switches.values()),
        ", ".join("%s %d" % kv for kv in sorted(switches.items()) if kv[1]) or "none",
        ticks, 100.0 * ticks / hz / seconds))
    print("D-Bus messages between %s (the bridge) and Kelvra: %d%s" % (
        compositor, len(between), " (" + ", ".join(between) + ")" if between else ""))
    print("Kelvra's read and write calls (any connection, the bridge's direct one too): %d"
          % calls)
    print("Other D-Bus messages: %s" % (
        ", ".join("%s ×%d" % kv for kv in sorted(other.items())) or "none"))




def arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("kelvra")
    parser.add_argument("--presses", type=int, default=40)
    parser.add_argument("--idle-seconds", type=float, default=30)
    return parser.parse_args()


def interleave(name, timed, kelvra_presses, floor_presses, give_floor, presses):
    """Kelvra's presses and the floor's, interleaved, on one window. timed(modifiers, key)
    answers (milliseconds to the final frame or None, the first frame taken);
    give_floor(frames) hands the floor Kelvra's frames, in the order of its presses."""
    # Kelvra's frames first, to give the floor the very same ones: the frames asked for,
    # not the final ones, so a client that rounds them (xterm to whole character cells)
    # answers both paths with the same second change.
    frames = []
    for modifiers, key in kelvra_presses:
        frame = timed(modifiers, key)[1]
        if frame is None:
            raise AssertionError("%s: Kelvra's shortcut changed nothing" % name)
        frames.append({"x": frame[0], "y": frame[1], "w": frame[2], "h": frame[3]})
    if frames[0] == frames[1]:
        raise AssertionError("%s: left half and maximize gave the same frame" % name)
    give_floor(frames)
    kelvra, floor = Path("Kelvra, " + name), Path("Floor, " + name)
    # Rounds of Kelvra's two presses, then the floor's same two changes.
    for _ in range(0, presses, 2):
        for modifiers, key in kelvra_presses:
            kelvra.add(timed(modifiers, key)[0])
        for modifiers, key in floor_presses:
            floor.add(timed(modifiers, key)[0])
    if not floor.millis:
        raise AssertionError("%s: the floor's shortcut changed nothing" % name)
    return kelvra, floor


def run(kelvra, log, keys, args, bench_client, compositor, settle):
    """Everything measured once Kelvra runs; stops Kelvra, the terminals and `keys` after.
    bench_client(argv, name, index) opens a terminal and answers it with its (Kelvra,
    floor) paths; `compositor` is (its name, its process). Returns the exit status."""
    clients = []
    try:
        with failures_reported(log):
            settle(2.0)
            started = memory(kelvra.pid)
            paths = []
            for index, (argv, name) in enumerate(((["weston-terminal"], "Wayland terminal"),
                                                  (["xterm"], "X11 terminal (Xwayland)"))):
                client, *measured = bench_client(argv, name, index)
                clients.append(client)
                paths.append(measured)
            if kelvra.poll() is not None:
                raise AssertionError("kelvra ended early")
            print_latency(paths, args.presses)
            settle(2.0)
            idle(kelvra.pid, compositor[1], compositor[0], args.idle_seconds, settle)
            print("Kelvra's memory: after start %s; after %d snaps %s" % (
                started, 2 * (args.presses + 2), memory(kelvra.pid)))
    finally:
        keys.close()
        stop(clients + [kelvra])
    return 0


def print_latency(paths, presses):
    """The table of (Kelvra, floor) path pairs and Kelvra's ratio to the floor."""
    print("Shortcut press → the window's final frame (%d presses each, left half and "
          "maximize in turn):" % presses)
    print("\n| | median | 95th percentile | presses |\n|---|---|---|---|")
    for kelvra_path, floor_path in paths:
        print(kelvra_path.row())
        print(floor_path.row())
    for kelvra_path, floor_path in paths:
        print("%s: %.2f × the floor at the median, %.2f × at the 95th percentile" % (
            kelvra_path.name, quantile(kelvra_path.millis, 0.5) /
            quantile(floor_path.millis, 0.5), quantile(kelvra_path.millis, 0.95) /
            quantile(floor_path.millis, 0.95)))
    print()
