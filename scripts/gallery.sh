#!/usr/bin/env bash
# Writes the screenshot gallery: every settings tab and welcome page in English, German
# and Japanese, to docs/gallery/, and the page that shows them, docs/gallery.md.
# Usage: scripts/gallery.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/docs/gallery"
languages=(en de ja)
rm -f "$out"/*.png
QT_QPA_PLATFORM=offscreen "$build/src/backends/qt/views/kelvra_gallery" "$out" "${languages[@]}"

tabs=(general snap tiling shortcuts layout workspaces autoPlace exclude account)
pages=(onboarding-1-welcome onboarding-2-check onboarding-3-start)
{
  echo "# Gallery"
  echo
  echo "Every tab of the settings window and every page of the welcome window, in English,"
  echo "German and Japanese. Written by \`make gallery\` (\`scripts/gallery.sh\`) on the"
  echo "simulated desktop with a few sample records; the welcome window's second page shows"
  echo "the desktop check failing (no window manager), as it looks when it is not skipped."
  echo
  for name in "${tabs[@]/#/settings-}" "${pages[@]}"; do
    echo "## $name"
    echo
    for l in "${languages[@]}"; do
      echo "![$name ($l)](gallery/$l-$name.png)"
    done
    echo
  done
} > "$root/docs/gallery.md"
echo "gallery: $(ls "$out"/*.png | wc -l) images in $out"
