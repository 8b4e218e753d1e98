#!/usr/bin/env bash
# Assembles one of Kelvra's compositor bridges from data/bridges: the part every bridge
# shares (common/bridge.js) and the compositor's own files, in the form that compositor
# loads.
#   kwin      KWin's script package: one plain script (KWin's scripts have no imports), so
#             the shared part goes before contents/code/main.js.
#   gnome-43  GNOME Shell 43 and 44's extension: extension.js imports bridge.js and
#             host.js as legacy modules.
#   gnome-45  GNOME Shell 45 and later's: ES modules, so extension-esm.js becomes
#             extension.js and the shared files gain their export lines.
#   ICON, for the GNOME flavours: Kelvra's icon, shipped as kelvra.png for the top-bar
#   button (a build that was never installed has no icon in the theme).
#   scripts/bridge-package.sh FLAVOUR DEST [ICON]
set -euo pipefail

[ $# -eq 2 ] || [ $# -eq 3 ] || { sed -n 's/^#  //p' "$0" >&2; exit 2; }
bridges=$(cd "$(dirname "$0")/../data/bridges" && pwd)
flavour=$1
dest=$2
rm -rf "$dest"
mkdir -p "$dest"
case "$flavour" in
kwin)
  cp -r "$bridges/kwin/." "$dest/"
  cat "$bridges/common/bridge.js" "$bridges/kwin/contents/code/main.js" \
    >"$dest/contents/code/main.js"
  ;;
gnome-43 | gnome-45)
  gnome="$bridges/gnome"
  cp "$gnome/metadata.json" "$gnome/stylesheet.css" "$bridges/common/bridge.js" \
    "$gnome/host.js" "$dest/"
  if [ $# -eq 3 ]; then cp "$3" "$dest/kelvra.png"; fi
  if [ "$flavour" = gnome-43 ]; then
    cp "$gnome/extension.js" "$dest/extension.js"
  else
    cp "$gnome/extension-esm.js" "$dest/extension.js"
    echo "export { kelvraBridge };" >>"$dest/bridge.js"
    echo "export { gnomeHost };" >>"$dest/host.js"
  fi
  ;;
*)
  echo "unknown bridge $flavour" >&2
  exit 2
  ;;
esac
