#!/usr/bin/env bash
# The fault runs that take minutes: the settings writer killed mid-save and its folder
# full or read-only, the end-to-end fault tests repeated, then the soak. Every step's
# summary is collected and printed at the end (the README quotes it).
#   scripts/run-chaos.sh <build-dir> [kill-rounds] [fault-test-repeats]
set -uo pipefail
build="${1:?usage: run-chaos.sh <build-dir> [kill-rounds] [fault-test-repeats]}"
rounds="${2:-300}"
repeats="${3:-5}"
summary="$build/chaos-summary.txt"
: >"$summary"
status=0

step() {  # name, command...: runs it, keeps its summary lines, notes a failure
  local name="$1" log="$build/chaos-$1.log"
  shift
  echo "== $name"
  if "$@" 2>&1 | tee "$log"; then result=passed; else result=FAILED; status=1; fi
  grep -E '^(soak|kill -9|folder|settings chaos|\[  (PASSED|FAILED) )' "$log" >>"$summary" || true
  echo "$name: $result" >>"$summary"
}

step save "$build/tools/kelvra-save-chaos" "$rounds"
step faults "$build/tests/e2e/e2e_desktop" --gtest_filter='Faults.*:Robustness.*:ProcessLife.*' \
  --gtest_repeat="$repeats" --gtest_brief=1
step soak "$build/tools/kelvra-soak"

echo
echo "== Chaos summary"
cat "$summary"
exit $status
