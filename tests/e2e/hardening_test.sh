#!/bin/sh
# Reads built executables and modules with readelf and fails when one lacks a
# hardening feature: position independence, full RELRO (read-only after start-up,
# bound at once), a non-executable stack, the stack protector and, with
# --fortify (optimised builds), the checked string and memory calls.
#   hardening_test.sh [--fortify] ELF…
set -u
fortify=0
if [ "${1:-}" = --fortify ]; then
  fortify=1
  shift
fi
[ $# -gt 0 ] || { echo "usage: hardening_test.sh [--fortify] ELF…" >&2; exit 2; }
command -v readelf >/dev/null || { echo "skipped: readelf is not installed"; exit 77; }

failures=0
missing() {
  echo "$1: $2"
  failures=$((failures + 1))
}
for file in "$@"; do
  header=$(readelf -hW "$file") || { missing "$file" "not an ELF file"; continue; }
  dynamic=$(readelf -dW "$file")
  segments=$(readelf -lW "$file")
  symbols=$(readelf -sW --dyn-syms "$file")
  echo "$header" | grep -q 'Type:[[:space:]]*DYN' || missing "$file" "not position-independent (PIE)"
  # A program names its interpreter; a loadable module does not, and is no PIE.
  if echo "$segments" | grep -q INTERP; then
    echo "$dynamic" | grep -Eq 'FLAGS_1.*PIE' || missing "$file" "no PIE flag"
  fi
  echo "$segments" | grep -q GNU_RELRO || missing "$file" "no RELRO segment"
  echo "$dynamic" | grep -Eq '\(FLAGS\).*BIND_NOW|FLAGS_1.*NOW' ||
    missing "$file" "symbols are bound lazily (no BIND_NOW): only partial RELRO"
  echo "$segments" | grep -Eq 'GNU_STACK.* RW +0x' || missing "$file" "the stack is executable"
  echo "$symbols" | grep -q '__stack_chk_fail' || missing "$file" "no stack protector"
  if [ "$fortify" = 1 ]; then
    echo "$symbols" | grep -Eq ' __[a-z_]+_chk(@|$)' || missing "$file" "no checked calls (FORTIFY)"
  fi
done
[ "$failures" -eq 0 ] && echo "hardened: $*"
[ "$failures" -eq 0 ]
