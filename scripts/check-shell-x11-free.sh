#!/usr/bin/env bash
# Fails when the Qt shell, its views or the program's entry include X11 headers: they
# reach the window system through the port's WindowSystem, which each backend implements.
set -euo pipefail
root=$1
if grep -rnE '#\s*include\s*[<"](X11/|xcb/|Xlib|backends/x11/)' "$root/src/backends/qt" \
  "$root/src/main.cpp"; then
  echo "the Qt shell or the program's entry includes X11 headers"
  exit 1
fi
echo "the Qt shell is free of X11"
