#!/usr/bin/env bash
# Fails when the core library includes or references Qt or X11.
set -euo pipefail
# Usage: check-core-deps.sh ROOT LIBRARY DIR... (the core's folders under ROOT/src)
root=$1
lib=$2
shift 2
status=0
core_dirs=("$@")
for d in "${core_dirs[@]}"; do
  if grep -rnE '#\s*include\s*[<"](Q[A-Za-z]+|X11/|Xlib|qt)' "$root/src/$d" 2>/dev/null; then
    echo "core sources in src/$d include Qt or X11 headers"
    status=1
  fi
done
if nm -C --undefined-only "$lib" | grep -E '\b(Q[A-Z][A-Za-z]+::|X[A-Z][a-zA-Z]+$|_XGet)' | head -5 | grep -q .; then
  echo "kelvra_core references Qt or X11 symbols:"
  nm -C --undefined-only "$lib" | grep -E '\b(Q[A-Z][A-Za-z]+::|X[A-Z][a-zA-Z]+$)' | head -5
  status=1
fi
[ $status -eq 0 ] && echo "core is free of Qt and X11"
exit $status
