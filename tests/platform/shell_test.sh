#!/bin/sh
# Runs the shell probe twice: with no display at all, where it must fail at
# once with one line on standard error, and on a virtual X server, where it
# must pass its checks. Exit status 77 means skipped.
probe=$1
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "skipped: xvfb-run is not installed"
  exit 77
fi

errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$probe" >/dev/null 2>"$errors"
status=$?
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then
  echo "with no display the shell must exit non-zero at once (status $status)"
  exit 1
fi
if [ "$(wc -l <"$errors")" -ne 1 ]; then
  echo "with no display the shell must say so in one line, not:"
  cat "$errors"
  exit 1
fi
echo "no display: $(cat "$errors")"

# The leak check stays on: the graphics driver is kept loaded to the end, so
# its own allocations stay reachable, and D-Bus's are in the suppression file.
LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "$0")/../lsan.supp}" \
  env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY timeout 90 \
  xvfb-run -a -s "-screen 0 1280x720x24" "$probe"
