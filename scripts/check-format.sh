#!/usr/bin/env bash
# Fails when a C++ source of the project does not follow .clang-format.
set -euo pipefail
cd "$1"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools bench fuzz server -name '*.cpp' -o -name '*.h')
if ! clang-format --dry-run --Werror $files; then
  echo "run 'make format' to format these files"
  exit 1
fi
echo "every source is formatted"
