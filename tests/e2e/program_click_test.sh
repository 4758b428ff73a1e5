#!/bin/sh
# The show as a person runs it: a window on a virtual X server, no sound
# card, one click on the start screen, a few seconds of the show, then
# Ctrl+Q. The program must quit with status 0 and, in the sanitized build,
# without any sanitizer report. Exit status 77 means skipped.
set -u
program=$1
for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

cat >"$folder/session.sh" <<'SESSION'
#!/bin/sh
program=$1 errors=$2
SDL_AUDIODRIVER=dummy "$program" >/dev/null 2>"$errors" &
pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name "you are invited" | head -n 1)
if [ -z "$window" ]; then
  echo "no window appeared" >>"$errors"
  kill "$pid"
  wait "$pid"
  exit 1
fi
# With no window manager, keys go to the window under the pointer.
xdotool mousemove --window "$window" 200 150 click 1
# The start screen fades for four seconds; then the show runs a little.
sleep 6
xdotool key ctrl+q
for _ in $(seq 1 60); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the program did not quit on Ctrl+Q" >>"$errors"
  kill -9 "$pid"
fi
wait "$pid"
SESSION

env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY timeout 180 \
  xvfb-run -a -s "-screen 0 640x360x24" sh "$folder/session.sh" "$program" "$folder/stderr"
status=$?
if [ "$status" -ne 0 ] || grep -q Sanitizer "$folder/stderr"; then
  echo "invited exited with status $status:"
  cat "$folder/stderr"
  exit 1
fi
