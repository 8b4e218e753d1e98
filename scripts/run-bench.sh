#!/usr/bin/env bash
# Runs the benchmarks of a build configured with -DKELVRA_BENCH=ON and prints the
# figures with a short description of the machine.
#   scripts/run-bench.sh <build-dir> [presses] [idle-seconds]
set -euo pipefail
build="${1:?usage: run-bench.sh <build-dir> [presses] [idle-seconds]}"
presses="${2:-200}"
idle="${3:-30}"
root=$(cd "$(dirname "$0")/.." && pwd)

echo "== Machine"
echo "CPU:    $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//') ($(nproc) cores)"
echo "Memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
echo "System: $(uname -sr)"
echo

echo "== Core (simulated desktop)"
"$build/bench/core_bench" --benchmark_min_time=0.2
"$build/bench/tiling_bench" --benchmark_min_time=0.2
echo

echo "== Drag (simulated desktop)"
"$build/bench/drag_bench" --benchmark_min_time=0.2
echo

if [ -x "$build/bench/desktop_bench" ]; then
  echo "== Desktop (Xvfb and openbox)"
  "$build/bench/desktop_bench" --presses "$presses" --idle-seconds "$idle"
  "$build/bench/zone_picker_bench" --presses 50
else
  echo "desktop_bench was not built (the desktop program is missing)" >&2
  exit 1
fi

echo
echo "== KDE Plasma (Wayland): a headless KWin session"
if ! command -v kwin_wayland >/dev/null; then
  echo "skipped: kwin_wayland is not installed (package kwin-wayland)"
elif [ ! -x "$build/tests/tools/kwin-fake-input" ]; then
  echo "skipped: kwin-fake-input was not built (wayland-client, wayland-scanner or plasma-wayland-protocols missing)"
else
  "$root/scripts/kwin-session.sh" --fake-input "$build/tests/tools/kwin-fake-input" -- \
    /usr/bin/python3 "$root/bench/kwin/kwin_bench.py" "$build/src/kelvra" --idle-seconds "$idle"
fi

echo
echo "== GNOME (Wayland): a headless GNOME Shell session"
if ! command -v gnome-shell >/dev/null; then
  echo "skipped: gnome-shell is not installed (package gnome-shell)"
else
  "$root/scripts/gnome-session.sh" --probe --free-workspace-keys left -- \
    /usr/bin/python3 "$root/bench/gnome/gnome_bench.py" "$build/src/kelvra" --idle-seconds "$idle"
fi
