#!/usr/bin/env bash
# The long fuzz run: every target of a fuzz build for <minutes> each, one after the
# other, then what they found merged into fuzz/corpus and the figures into README.md.
#   scripts/fuzz-long.sh <fuzz-build-dir> <minutes>
set -u
build=${1:?usage: fuzz-long.sh <fuzz-build-dir> <minutes>}
minutes=${2:?usage: fuzz-long.sh <fuzz-build-dir> <minutes>}
here=$(dirname "$0")
bash "$here/run-fuzzers.sh" "$build" $((minutes * 60))
status=$?
bash "$here/fuzz-merge.sh" "$build" "$build/fuzz-corpus" || status=1
bash "$here/fuzz-figures.sh" "$build" || status=1
exit $status
