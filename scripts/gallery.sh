#!/usr/bin/env bash
# Writes the screenshot gallery: every settings tab and welcome page, the zone picker and
# the tray menu, in all fourteen languages, to docs/gallery/, and the page that shows
# them, docs/gallery.md, with the pictures of English, German, Japanese and Brazilian
# Portuguese (long labels). Fails when a text does not fit its widget in any language.
# Usage: scripts/gallery.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/docs/gallery"
languages=(en ja ko zh-Hans zh-Hant de fr es pt-BR ru it nl pl tr)
shown=(en de ja pt-BR)
rm -f "$out"/*.png
status=0
QT_QPA_PLATFORM=offscreen "$build/src/backends/qt/views/kelvra_gallery" "$out" "${languages[@]}" ||
  status=$?
for l in "${languages[@]}"; do
  [[ " ${shown[*]} " == *" $l "* ]] || rm -f "$out/$l-"*.png
done

tabs=(general snap tiling shortcuts layout workspaces autoPlace exclude account)
pages=(onboarding-1-welcome onboarding-2-check onboarding-3-start picker tray-menu)
{
  echo "# Gallery"
  echo
  echo "Every tab of the settings window, every page of the welcome window, the zone picker"
  echo "and the tray menu, in English, German, Japanese and Brazilian Portuguese (the other"
  echo "ten languages are drawn and checked too, not kept). Written by \`make gallery\` (\`scripts/gallery.sh\`) on the"
  echo "simulated desktop with a few sample records; the welcome window's second page shows"
  echo "the desktop check failing (no window manager), as it looks when it is not skipped."
  echo
  for name in "${tabs[@]/#/settings-}" "${pages[@]}"; do
    echo "## $name"
    echo
    for l in "${shown[@]}"; do
      echo "![$name ($l)](gallery/$l-$name.png)"
    done
    echo
  done
} > "$root/docs/gallery.md"
echo "gallery: $(ls "$out"/*.png | wc -l) images in $out"
exit $status
