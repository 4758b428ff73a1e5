#!/bin/sh
# Prints non-blank C++ lines under tests/ against those everywhere else, and
# their ratio, for the working tree or for the revision given.
# Usage: tools/count-test-ratio.sh [revision]
cd "$(git rev-parse --show-toplevel)" || exit 1
rev=$1
files() {
  if [ -n "$rev" ]; then git ls-tree -r --name-only "$rev"; else git ls-files; fi |
    grep -E '\.(cpp|h)$'
}
show() { if [ -n "$rev" ]; then git show "$rev:$1"; else cat "$1"; fi; }
count() {
  files | grep "$@" '^tests/' | while read -r f; do show "$f"; done | grep -cv '^[[:space:]]*$'
}
tests=$(count -e)
code=$(count -v)
echo "tests $tests / code $code = $(echo "scale=3; $tests / $code" | bc)"
