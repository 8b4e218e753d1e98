#!/usr/bin/env bash
# Writes the figures of the last fuzz runs of a fuzz build (per target: seconds, runs,
# kept corpus files, the final coverage "cov:" and features "ft:", findings) as a table
# between the fuzz-figures markers of README.md.
#   scripts/fuzz-figures.sh <fuzz-build-dir>
set -eu
build=${1:?usage: fuzz-figures.sh <fuzz-build-dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
readme="$root/README.md"
table=$(mktemp)
trap 'rm -f "$table"' EXIT
{
  echo "| Target | Seconds | Runs | Corpus files | cov | ft | Findings |"
  echo "|---|---:|---:|---:|---:|---:|---:|"
  for log in "$build"/fuzz-corpus/*.log; do
    [ -f "$log" ] || continue
    name=$(basename "$log" .log)
    # libFuzzer ends with "Done <runs> runs in <seconds> second(s)".
    done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n 1 || true)
    runs=$(echo "$done_line" | awk '{print $2}')
    seconds=$(echo "$done_line" | awk '{print $5}')
    stats=$(grep -E ' cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    cov=$(echo "$stats" | grep -oE 'cov: [0-9]+' | grep -oE '[0-9]+' || true)
    ft=$(echo "$stats" | grep -oE 'ft: [0-9]+' | grep -oE '[0-9]+' || true)
    files=$(find "$root/fuzz/corpus/$name" -type f 2>/dev/null | wc -l)
    findings=$(find "$build/fuzz-artifacts/$name" -type f 2>/dev/null | wc -l)
    echo "| \`$name\` | ${seconds:-?} | ${runs:-?} | $files | ${cov:-?} | ${ft:-?} | $findings |"
  done
} >"$table"
awk -v table="$table" '
  /<!-- fuzz-figures:begin -->/ { print; while ((getline line < table) > 0) print line; skip = 1; next }
  /<!-- fuzz-figures:end -->/ { skip = 0 }
  !skip { print }
' "$readme" >"$readme.new" && mv "$readme.new" "$readme"
cat "$table"
