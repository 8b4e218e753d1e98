#!/usr/bin/env bash
# Merges what fuzz runs found into the corpus kept in the repository: an input is added
# to fuzz/corpus/<target> only when it reaches code the kept corpus does not, so the
# corpus grows but stays small. Inputs already kept are never removed.
#   scripts/fuzz-merge.sh <fuzz-build-dir> <found-dir>
# <found-dir> holds one folder per target (a fuzz build's fuzz-corpus/, say); the
# binaries of <fuzz-build-dir> decide what is new.
set -eu
build=${1:?usage: fuzz-merge.sh <fuzz-build-dir> <found-dir>}
found=${2:?usage: fuzz-merge.sh <fuzz-build-dir> <found-dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
for exe in "$build"/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  name=${name#fuzz_}
  [ -d "$found/$name" ] || continue
  kept="$root/fuzz/corpus/$name"
  mkdir -p "$kept"
  before=$(find "$kept" -type f | wc -l)
  "$exe" -merge=1 -max_len=65536 -rss_limit_mb=2048 "$kept" "$found/$name" \
    >"$build/fuzz-merge-$name.log" 2>&1 ||
    { echo "fuzz merge $name: FAILED, see $build/fuzz-merge-$name.log"; exit 1; }
  after=$(find "$kept" -type f | wc -l)
  echo "fuzz merge $name: $before -> $after kept inputs"
done
