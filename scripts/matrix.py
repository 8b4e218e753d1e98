#!/usr/bin/env python3
"""The window-manager compatibility matrix.

Runs the end-to-end desktop tests of each feature once per window manager (the test
harness starts the one KELVRA_E2E_WM names), one test per process so that a hang or a
crash costs only that test, and writes the results: the exact per-test table in
docs/matrix.md and a manager-by-feature table between the matrix markers in README.md.

    scripts/matrix.py BUILD [--managers openbox,icewm] [--report-only]

Wayland desktops have no window manager to swap under Xvfb: their row comes from their
own end-to-end tests (ctest names, run through ctest in BUILD), one test per feature
that test shows.

Results are kept in BUILD/matrix/<manager>/, so a run of some managers updates their
rows and keeps the others'. A manager whose program is not installed is reported as not
run. Explanations of failures and of features that do not apply live in
scripts/matrix-notes.json ("manager": {"feature": "why"}) and become footnotes.
"""
import argparse
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Manager, the programs it needs, the Debian package that brings it.
MANAGERS = [
    ("openbox", ["openbox"], "openbox"),
    ("xfwm4", ["xfwm4", "dbus-run-session"], "xfwm4"),
    ("icewm", ["icewm"], "icewm"),
    ("fluxbox", ["fluxbox"], "fluxbox"),
    ("mutter", ["mutter", "dbus-run-session"], "mutter"),
    ("kwin", ["kwin_x11"], "kwin-x11"),
    ("none", [], None),
]

# Feature, and the tests (full GoogleTest names, regular expressions) that show it.
FEATURES = [
    ("Shortcuts, cycling, restore", [r"Desktop/Shortcuts\..*/UnderAWindowManager"]),
    ("Next display", [r"TwoMonitors/NextDisplay\..*"]),
    ("Work area", [r"WorkArea\..*"]),
    ("Drag snapping", [r"Drag\..*"]),
    ("Tile-group resize", [r"Tiling\..*"]),
    ("Snap assist", [r"Assist\..*"]),
    ("Zone picker", [r"ZonePicker\..*"]),
    ("Workspace restore", [r"Arrange\.TheTrayMenuSnapsAWindowAndSavesAWorkspace.*",
                           r"Arrange\.RestoringByShortcut.*"]),
    ("Application kinds", [r"ClientKinds\..*", r"WindowKinds\..*"]),
    ("Taken shortcuts told", [r"Robustness\.CombinationsHeld.*"]),
    ("Rebinding a shortcut", [r"SettingsWindow\.AShortcutRecorded.*"]),
    ("First start, stock configuration", [r"StockDesktop\.AFirstStart.*"]),
]

# Wayland desktop, the directory of its results, the programs it needs, its package, where
# its tests run, and for each feature the ctests that show it (a feature without one is
# "not run").
WAYLAND_DESKTOPS = [
    ("KDE Plasma (Wayland)", "kwin-wayland", ["kwin_wayland", "Xwayland"], "kwin-wayland",
     "a headless KWin (`scripts/kwin-session.sh`)", {
        "Shortcuts, cycling, restore": ["kwin_kelvra_shortcuts"],
        "Tile-group resize": ["kwin_kelvra_tiles"],
        "Next display": ["kwin_kelvra_scaled_outputs"],
        "Work area": ["kwin_kelvra_work_area"],
        "Application kinds": ["kwin_kelvra_kinds"],
        "Drag snapping": ["kwin_kelvra_drag", "kwin_kelvra_edge_snapping"],
        "Snap assist": ["kwin_kelvra_assist"],
        "Zone picker": ["kwin_kelvra_picker"],
        "Workspace restore": ["kwin_kelvra_arrange"],
        "Taken shortcuts told": ["kwin_kelvra_shortcuts"],
        "Rebinding a shortcut": ["kwin_kelvra_shortcuts"],
        "First start, stock configuration": ["kwin_kelvra_first_start"],
    }),
    ("GNOME (Wayland)", "gnome-wayland", ["gnome-shell", "Xwayland"], "gnome-shell",
     "a headless GNOME Shell (`scripts/gnome-session.sh`)", {
        "Shortcuts, cycling, restore": ["gnome_kelvra_shortcuts", "gnome_kelvra_cycling"],
        "Next display": ["gnome_kelvra_cycling"],
        "Tile-group resize": ["gnome_kelvra_tiles"],
        "Snap assist": ["gnome_kelvra_assist"],
        "Work area": ["gnome_kelvra_work_area"],
        "Application kinds": ["gnome_kelvra_kinds"],
        "Workspace restore": ["gnome_kelvra_arrange"],
        "Drag snapping": ["gnome_kelvra_drag", "gnome_kelvra_edge_snapping"],
        "Zone picker": ["gnome_kelvra_picker"],
        "Taken shortcuts told": ["gnome_kelvra_shortcuts"],
        "Rebinding a shortcut": ["gnome_kelvra_shortcuts"],
        "First start, stock configuration": ["gnome_kelvra_first_start"],
    }),
]
# Shown with every feature a Wayland desktop has no test of.
WAYLAND_UNTESTED = "no end-to-end test of this on this desktop yet"

TEST_TIMEOUT = 180  # seconds; the slowest test takes under a minute alone


def list_tests(binary):
    out = subprocess.run([binary, "--gtest_list_tests"], capture_output=True, text=True,
                         check=True).stdout
    tests, suite = [], ""
    for line in out.splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            suite = line.split()[0]
        else:
            tests.append(suite + line.split()[0])
    return tests


def feature_tests(all_tests):
    chosen = {}
    for feature, patterns in FEATURES:
        chosen[feature] = [t for t in all_tests if any(re.fullmatch(p, t) for p in patterns)]
    return chosen


def installed(programs):
    return all(shutil.which(p) for p in programs)


def package_version(package):
    if not package:
        return ""
    r = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package], capture_output=True,
                       text=True)
    return r.stdout.strip() if r.returncode == 0 else ""


def result_file(build, manager, test):
    return build / "matrix" / manager / (re.sub(r"[^\w.-]", "_", test) + ".json")


def run_test(binary, build, manager, test):
    """Runs one test; writes and returns {"status": pass|fail|skip, "message": ...}."""
    out = result_file(build, manager, test)
    out.parent.mkdir(parents=True, exist_ok=True)
    gtest_json = out.with_suffix(".gtest.json")
    gtest_json.unlink(missing_ok=True)
    env = dict(os.environ, KELVRA_E2E_WM=manager)
    try:
        proc = subprocess.run([binary, "--gtest_filter=" + test,
                               "--gtest_output=json:" + str(gtest_json)],
                              env=env, capture_output=True, text=True, timeout=TEST_TIMEOUT)
        log, code = proc.stdout + proc.stderr, proc.returncode
    except subprocess.TimeoutExpired as e:
        log, code = (e.stdout or b"").decode(errors="replace") if isinstance(e.stdout, bytes) \
            else (e.stdout or ""), None
    result = {"status": "fail", "message": ""}
    if code is None:
        result["message"] = f"did not finish within {TEST_TIMEOUT} s"
    elif gtest_json.exists():
        case = json.loads(gtest_json.read_text())["testsuites"][0]["testsuite"][0]
        failures = [f["failure"] for f in case.get("failures", [])]
        if failures:
            result["message"] = failures[0].strip()
        elif case.get("result") == "SKIPPED":
            result["status"] = "skip"
            skipped = re.search(r"Skipped\s*\n(.*)", log)
            result["message"] = skipped.group(1).strip() if skipped else "skipped"
        elif code == 0:
            result["status"] = "pass"
        else:
            result["message"] = f"exit status {code}"
    else:
        lines = [l for l in log.splitlines() if l.strip()]
        result["message"] = f"exit status {code}: " + (lines[-1] if lines else "no output")
    result["log"] = log[-6000:]
    out.write_text(json.dumps(result, indent=1))
    return result


def run_ctest(build, desktop, test):
    """Runs one ctest of a Wayland desktop; writes and returns its result like run_test."""
    out = result_file(build, desktop, test)
    out.parent.mkdir(parents=True, exist_ok=True)
    try:
        proc = subprocess.run(["ctest", "--test-dir", str(build), "-R", f"^{test}$",
                               "--output-on-failure"], capture_output=True, text=True,
                              timeout=TEST_TIMEOUT + 30)
        log, code = proc.stdout + proc.stderr, proc.returncode
    except subprocess.TimeoutExpired:
        log, code = "", None
    result = {"status": "pass" if code == 0 else "fail", "message": ""}
    if code is None:
        result["message"] = f"did not finish within {TEST_TIMEOUT} s"
    elif "***Skipped" in log or "Not Run" in log:
        result["status"] = "skip"
        result["message"] = "skipped"
    elif code != 0:
        failed = [l for l in log.splitlines() if l.startswith("FAILED:")]
        result["message"] = failed[0] if failed else f"exit status {code}"
    result["log"] = log[-6000:]
    out.write_text(json.dumps(result, indent=1))
    return result


def load_results(build, manager, tests):
    results = {}
    for t in tests:
        f = result_file(build, manager, t)
        if f.exists():
            results[t] = json.loads(f.read_text())
    return results


def first_line(text, limit=160):
    # The failure's location, then the first line that says what went wrong.
    lines = [l.strip() for l in text.splitlines() if l.strip()]
    line = " ".join(lines[:3])
    return (line[:limit] + "…") if len(line) > limit else line


def cell(feature, tests, results, notes, footnotes):
    seen = [results[t] for t in tests if t in results]
    if not seen:
        return "not run"
    statuses = {r["status"] for r in seen}
    if "fail" in statuses:
        word = "fail"
    elif statuses == {"skip"}:
        word = "n.a."
    else:
        word = "pass"
    note = notes.get(feature)
    # A note that starts with "n.a.: " says the feature cannot apply under this manager.
    if note and note.startswith("n.a.: ") and word == "fail":
        word, note = "n.a.", note[len("n.a.: "):]
    if word == "n.a." and not note:
        note = seen[0]["message"]
    if word == "fail" and not note:
        note = "not explained yet: " + first_line(next(r for r in seen
                                                     if r["status"] == "fail")["message"])
    if note and word != "pass":
        if note not in footnotes:
            footnotes.append(note)
        word += f" [{footnotes.index(note) + 1}]"
    return word


def detail_rows(tests, results):
    rows = []
    for t in tests:
        r = results.get(t)
        status = r["status"] if r else "not run"
        message = first_line(r["message"], 300).replace("|", "\\|") if r else ""
        rows.append(f"| `{t}` | {status} | {message} |")
    return rows


def wayland_rows(build, notes, footnotes):
    """The Wayland desktops' rows of the README's table and their part of docs/matrix.md;
    footnotes are appended to `footnotes`."""
    rows, detail = [], []
    for label, key, programs, package, session, features_tested in WAYLAND_DESKTOPS:
        version = package_version(package)
        label += f" {version}" if version else ""
        tests = sorted({t for ts in features_tested.values() for t in ts})
        results = load_results(build, key, tests)
        cells = []
        for f, _ in FEATURES:
            if not features_tested.get(f):
                if WAYLAND_UNTESTED not in footnotes:
                    footnotes.append(WAYLAND_UNTESTED)
                cells.append(f"not run [{footnotes.index(WAYLAND_UNTESTED) + 1}]")
            else:
                cells.append(cell(f, features_tested[f], results, notes.get(key, {}),
                                  footnotes))
        rows.append(f"| {label} | " + " | ".join(cells) + " |")
        detail += [f"## {label}", "", f"Its own end-to-end tests on {session}, one ctest each.",
                   "",
                   "| Test | Result | Detail |", "|---|---|---|"]
        detail += detail_rows(tests, results) + [""]
    return rows, detail


def write_wayland_rows_only(build):
    """Without the X11 test program: the Wayland rows replace their earlier selves in the
    README's table (their footnotes numbered after the ones there) and in docs/matrix.md,
    and the X11 rows stay."""
    notes_file = ROOT / "scripts" / "matrix-notes.json"
    notes = json.loads(notes_file.read_text()) if notes_file.exists() else {}
    readme = (ROOT / "README.md").read_text()
    begin, end = "<!-- matrix:begin -->", "<!-- matrix:end -->"
    lines = readme[readme.index(begin) + len(begin):readme.index(end)].strip().splitlines()
    labels = [d[0] for d in WAYLAND_DESKTOPS]
    table = [l for l in lines if l.startswith("|") and
             not any(l.startswith(f"| {name}") for name in labels)]
    footnotes = [re.sub(r"^\[\d+\] ", "", l).rstrip() for l in lines if re.match(r"\[\d+\] ", l)]
    footnotes = [f for f in footnotes if f != WAYLAND_UNTESTED and any(
        f"[{i + 1}]" in row for row in table for i in [footnotes.index(f)])]
    rows, detail = wayland_rows(build, notes, footnotes)
    # Their sections close docs/matrix.md: the earlier ones go, the X11 ones stay.
    matrix = (ROOT / "docs" / "matrix.md").read_text()
    for label in labels:
        if f"\n## {label}" in matrix:
            matrix = matrix[:matrix.index(f"\n## {label}")]
    (ROOT / "docs" / "matrix.md").write_text(matrix.rstrip("\n") + "\n\n" + "\n".join(detail))
    summary = table + rows + [""] + [f"[{i + 1}] {n}  " for i, n in enumerate(footnotes)]
    block = begin + "\n" + "\n".join(summary).rstrip() + "\n" + end
    readme = readme[:readme.index(begin)] + block + readme[readme.index(end) + len(end):]
    (ROOT / "README.md").write_text(readme)


def write_reports(build, managers, chosen):
    notes_file = ROOT / "scripts" / "matrix-notes.json"
    notes = json.loads(notes_file.read_text()) if notes_file.exists() else {}
    all_tests = [t for ts in chosen.values() for t in ts]
    stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")
    footnotes = []
    features = [f for f, _ in FEATURES]
    table = ["| Window manager | " + " | ".join(features) + " |",
             "|---" * (len(features) + 1) + "|"]
    detail = ["# Window-manager compatibility matrix", "",
              f"Generated by `make matrix` (`scripts/matrix.py`) on {stamp}: each end-to-end "
              "test below, run once per window manager under Xvfb (1440 × 900). The README "
              "shows the summary by feature; explanations are in `scripts/matrix-notes.json`.",
              ""]
    for name, programs, package in managers:
        results = load_results(build, name, all_tests)
        version = package_version(package)
        label = name + (f" {version}" if version else "")
        if not installed(programs) and not results:
            table.append(f"| {label} | " + " | ".join(["not run"] * len(features)) + " |")
            detail += [f"## {name}", "", f"Not run: `{' '.join(programs)}` is not installed "
                       f"(package {package}; `scripts/install-deps.sh` brings it in).", ""]
            continue
        manager_notes = notes.get(name, {})
        table.append(f"| {label} | " + " | ".join(
            cell(f, chosen[f], results, manager_notes, footnotes) for f in features) + " |")
        detail += [f"## {label}", "", "| Test | Result | Detail |", "|---|---|---|"]
        detail += detail_rows(all_tests, results) + [""]
    rows, wayland_detail = wayland_rows(build, notes, footnotes)
    table += rows
    detail += wayland_detail
    summary = table + [""] + [f"[{i + 1}] {n}  " for i, n in enumerate(footnotes)]
    (ROOT / "docs" / "matrix.md").write_text("\n".join(detail))
    readme = (ROOT / "README.md").read_text()
    begin, end = "<!-- matrix:begin -->", "<!-- matrix:end -->"
    block = begin + "\n" + "\n".join(summary).rstrip() + "\n" + end
    if begin in readme and end in readme:
        readme = readme[:readme.index(begin)] + block + readme[readme.index(end) + len(end):]
    else:
        readme = readme.rstrip("\n") + "\n\n" + block + "\n"
    (ROOT / "README.md").write_text(readme)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", type=Path)
    parser.add_argument("--managers", default="", help="comma-separated; all when empty")
    parser.add_argument("--report-only", action="store_true")
    args = parser.parse_args()
    build = args.build.resolve()
    binary = str(build / "tests" / "e2e" / "e2e_desktop")
    x11 = os.path.exists(binary)
    if not x11:
        print("the X11 end-to-end tests are not built: only the Wayland rows are written",
              flush=True)
    chosen = feature_tests(list_tests(binary)) if x11 else {}
    wanted = [m for m in MANAGERS if not args.managers or m[0] in args.managers.split(",")]
    if not args.report_only:
        for name, programs, package in wanted if x11 else []:
            if not installed(programs):
                print(f"{name}: not installed ({package}), not run", flush=True)
                continue
            for feature, tests in chosen.items():
                for t in tests:
                    r = run_test(binary, build, name, t)
                    print(f"{name:8} {r['status']:5} {t}", flush=True)
        for label, key, programs, package, _, features_tested in WAYLAND_DESKTOPS:
            if args.managers and key not in args.managers.split(","):
                continue
            if not installed(programs):
                print(f"{key}: not installed ({package}), not run", flush=True)
                continue
            for t in sorted({t for ts in features_tested.values() for t in ts}):
                r = run_ctest(build, key, t)
                print(f"{key:8} {r['status']:5} {t}", flush=True)
    if x11:
        write_reports(build, MANAGERS, chosen)
    else:
        write_wayland_rows_only(build)
    return 0


if __name__ == "__main__":
    sys.exit(main())
