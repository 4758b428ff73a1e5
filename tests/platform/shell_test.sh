#!/bin/sh
# Runs the shell probe twice: with no display at all, where it must fail at
# once with one line on standard error, and on a virtual X server, where it
# must pass its checks. Exit status 77 means skipped.
probe=$1
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "skipped: Xvfb is not installed"
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

# The server picks its own display number and reports it (-displayfd):
# choosing a free number first and starting the server after, as xvfb-run -a
# does, races with any other virtual display started on the machine meanwhile.
display=$(mktemp)
trap 'rm -f "$errors" "$display"; [ -n "${server:-}" ] && kill "$server" 2>/dev/null' EXIT
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$display" 2>/dev/null &
server=$!
for _ in $(seq 100); do
  [ -s "$display" ] && break
  sleep 0.1
done
if ! [ -s "$display" ]; then
  echo "the virtual display did not start"
  exit 1
fi

# The leak check stays on: the graphics driver is kept loaded to the end, so
# its own allocations stay reachable, and D-Bus's are in the suppression file.
LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "$0")/../lsan.supp}" DISPLAY=":$(head -n1 "$display")" \
  env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY timeout 90 "$probe"
