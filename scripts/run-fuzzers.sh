#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds each and
# prints one line per target. Exits non-zero when any target finds a fault.
#   scripts/run-fuzzers.sh <build-dir> <seconds>
# Each run starts from the corpus kept in the repository (fuzz/corpus/<target>, read
# only here) and writes what it finds to <build-dir>/fuzz-corpus/<target>, which
# scripts/fuzz-long.sh merges back into the repository.
set -u
build=${1:?usage: run-fuzzers.sh <build-dir> <seconds>}
seconds=${2:?usage: run-fuzzers.sh <build-dir> <seconds>}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
found=0
for exe in "$build"/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  found=1
  name=$(basename "$exe")
  name=${name#fuzz_}
  corpus="$build/fuzz-corpus/$name"
  kept="$root/fuzz/corpus/$name"
  mkdir -p "$corpus"
  log="$build/fuzz-corpus/$name.log"
  artifacts="$build/fuzz-artifacts/$name/"
  mkdir -p "$artifacts"
  # libFuzzer writes new inputs into the first folder only.
  if "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
       -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" \
       $([ -d "$kept" ] && echo "$kept") >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $name: clean for ${seconds}s (${runs:-?} runs)"
  else
    echo "fuzz $name: FAILED, see $log and $artifacts"
    status=1
  fi
done
if [ "$found" = 0 ]; then
  echo "fuzz: no fuzz targets in $build/fuzz" >&2
  exit 1
fi
exit $status
