#!/bin/sh
# Runs node's test runner with the arguments given. Node's experimental vm modules (the
# ES-module extension format's stand-in needs them) now and then crash the test file's
# node process itself (SIGSEGV, reported by the runner, once in a few dozen loaded runs,
# never a failed assertion): such a crash, and only that, is run once more.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>&1
status=$?
cat "$out"
if [ $status -ne 0 ] && grep -q "signal: 'SIGSEGV'" "$out"; then
  echo "node crashed (SIGSEGV); once more"
  "$@"
  status=$?
fi
exit $status
