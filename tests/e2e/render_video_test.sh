#!/bin/sh
# invited-render writes a short, small video end to end and exits with status
# 0: in the sanitized build that also means no address, undefined-behaviour
# or leak report.
set -u
render=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
timeout 300 "$render" video "$folder/clip.mp4" --size 96x54 --fps 8 --from -0.5 --to 0.5 \
  >/dev/null 2>"$folder/stderr"
status=$?
if [ "$status" -ne 0 ]; then
  echo "invited-render video exited with status $status:"
  cat "$folder/stderr"
  exit 1
fi
if [ ! -s "$folder/clip.mp4" ]; then
  echo "invited-render video wrote no file"
  exit 1
fi
if grep -q Sanitizer "$folder/stderr"; then
  cat "$folder/stderr"
  exit 1
fi
