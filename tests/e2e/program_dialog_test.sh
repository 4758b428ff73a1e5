#!/bin/sh
# A launch from a menu: no terminal, a display, one resource missing (a
# face: before the window shows; the track: while the start screen stands).
# The program must show its one line in a dialog as well (a person sees no
# standard error), end with status 1 once the dialog is closed, and say the
# same line on standard error. Exit status 77 means skipped.
#   program_dialog_test.sh PROGRAM RESOURCE_DIR
set -u
program=$1 resources=$2
for tool in xvfb-run xdotool xwininfo setsid; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fail() { echo "dialog test: $*"; exit 1; }

cat >"$folder/session.sh" <<'SESSION'
#!/bin/sh
# Runs the program detached from any terminal; prints the dialog's title and
# the program's status.
program=$1 errors=$2
setsid "$program" </dev/null >/dev/null 2>"$errors" &
pid=$!
# SDL's dialog sets no class, and xdotool's search passes it by.
window=""
for _ in $(seq 1 600); do
  window=$(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "invited cannot start".*/\1/p')
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  kill -9 "$pid" 2>/dev/null
  wait "$pid"
  echo "no dialog; status $?"
  exit 0
fi
echo "invited cannot start"
# The program's own window may hold the keyboard: the dialog takes it.
xdotool windowfocus --sync "$window" mousemove --window "$window" 10 10 key Return
for _ in $(seq 1 30); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 1
done
kill -0 "$pid" 2>/dev/null && { echo "still running after Return in the dialog"; kill -9 "$pid"; }
wait "$pid"
echo "status $?"
SESSION

for missing in audio.m4a Inter-Bold.otf; do
  rm -rf "$folder/app"
  mkdir -p "$folder/app/resources"
  cp "$program" "$folder/app/invited"
  cp -L "$resources"/*.otf "$resources/audio.m4a" "$folder/app/resources/"
  rm "$folder/app/resources/$missing"
  said=$(env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy timeout 120 \
    xvfb-run -a -s "-screen 0 640x360x24" sh "$folder/session.sh" "$folder/app/invited" \
    "$folder/stderr")
  [ "$(echo "$said" | head -n 1)" = "invited cannot start" ] ||
    fail "without $missing, no dialog: $said; $(cat "$folder/stderr")"
  [ "$(echo "$said" | tail -n 1)" = "status 1" ] || fail "without $missing: $said"
  [ "$(wc -l <"$folder/stderr")" = 1 ] && grep -q "^invited: .*$folder/app/resources/$missing: no such file (reinstalling invited restores it)$" "$folder/stderr" ||
    fail "without $missing, standard error said: $(cat "$folder/stderr")"
done
echo "dialog test: a launch without a terminal shows its error in a dialog"
