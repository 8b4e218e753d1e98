#!/usr/bin/env bash
# Assembles Kelvra's GNOME Shell extension for one shell generation from
# data/bridges/gnome: GNOME 43 and 44 load extension.js with legacy imports; 45 and
# later load ES modules, so there extension-esm.js becomes extension.js and the shared
# files gain their export lines.
#   scripts/gnome-bridge-package.sh SHELL_MAJOR DEST
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: $0 SHELL_MAJOR DEST" >&2; exit 2; }
source=$(cd "$(dirname "$0")/../data/bridges/gnome" && pwd)
major=$1
dest=$2
rm -rf "$dest"
mkdir -p "$dest"
cp "$source/metadata.json" "$source/bridge.js" "$source/host.js" "$dest/"
if [ "$major" -lt 45 ]; then
  cp "$source/extension.js" "$dest/extension.js"
else
  cp "$source/extension-esm.js" "$dest/extension.js"
  echo "export { kelvraBridge };" >>"$dest/bridge.js"
  echo "export { gnomeHost };" >>"$dest/host.js"
fi
