#!/usr/bin/env bash
# Checks that every C and C++ file under version control follows .clang-format.
# With --fix, rewrites the files instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/sonalto-format.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/sonalto-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  rm -f /tmp/sonalto-format.$$
  echo "run: bash scripts/check-format.sh --fix"
  exit 1
fi
rm -f /tmp/sonalto-format.$$
echo "${#files[@]} files follow .clang-format"
