#!/bin/sh
# The show as a person runs it: a window on a virtual X server of this test's
# own, no sound card, one click on the start screen, the show until its first
# coloured frame is on the screen, then Ctrl+Q. The program must quit with
# status 0 and, in the sanitized build, without any sanitizer report. Every
# wait is for something to happen; its limit only ends a run that hangs.
# Exit status 77 means skipped.
set -u
program=$1
for tool in Xvfb xdotool ffmpeg; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
folder=$(mktemp -d)
server=""
pid=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$folder"
}
trap cleanup EXIT
fail() {
  echo "$1"
  cat "$folder/stderr" 2>/dev/null
  exit 1
}

# The server picks a free display number and reports it (-displayfd), so no
# other virtual display started meanwhile can take it.
Xvfb -displayfd 3 -screen 0 640x360x24 -nolisten tcp 3>"$folder/display" 2>/dev/null &
server=$!
for _ in $(seq 600); do
  [ -s "$folder/display" ] && break
  sleep 0.1
done
[ -s "$folder/display" ] || fail "the virtual display did not start"
DISPLAY=":$(head -n1 "$folder/display")"
export DISPLAY

env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy \
  "$program" >/dev/null 2>"$folder/stderr" &
pid=$!
window=$(timeout 120 xdotool search --sync --onlyvisible --name "you are invited" | head -n 1)
[ -n "$window" ] || fail "no window appeared"
eval "$(xdotool getwindowgeometry --shell "$window")"

# red green blue of the screen's pixel at X Y
pixel() {
  ffmpeg -nostdin -loglevel error -f x11grab -video_size 1x1 -i "$DISPLAY+$1,$2" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 - 2>/dev/null | od -An -tu1
}
# Whether the pixel at X Y has a colour (the start screen has only greys).
coloured() {
  # shellcheck disable=SC2046
  set -- $(pixel "$1" "$2")
  [ $# -eq 3 ] || return 1
  max=$1 min=$1
  for c in "$2" "$3"; do
    [ "$c" -gt "$max" ] && max=$c
    [ "$c" -lt "$min" ] && min=$c
  done
  [ $((max - min)) -gt 60 ]
}

coloured $((X + 2)) $((Y + 2)) && fail "the start screen is not grey"
# With no window manager, keys go to the window under the pointer.
xdotool mousemove --window "$window" 200 150 click 1
# The start screen fades for four seconds; the show opens on a colour.
shown=0
for _ in $(seq 1200); do
  kill -0 "$pid" 2>/dev/null || fail "invited ended before the show began"
  if coloured $((X + 2)) $((Y + 2)); then
    shown=1
    break
  fi
  sleep 0.1
done
[ "$shown" = 1 ] || fail "the show never appeared"

xdotool key ctrl+q
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not quit on Ctrl+Q"
wait "$pid"
status=$?
pid=""
if [ "$status" -ne 0 ] || grep -q Sanitizer "$folder/stderr"; then
  fail "invited exited with status $status:"
fi
