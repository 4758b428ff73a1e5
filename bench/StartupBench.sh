#!/usr/bin/env bash
# Time from process launch to the first frame on screen, and peak resident
# memory by then, for the show and for a bare window (an OpenGL 3.3 core
# window cleared and swapped), launched in turn on one virtual display so
# that both meet the same machine. Prints every launch, both medians and
# their ratio.
#
#   bench/StartupBench.sh [--track FILE] [--also BUILD_DIR] [--textured] [BUILD_DIR] [LAUNCHES] [WIDTHxHEIGHT]
#
# --track  launches the show with FILE as its music (e.g. an hour-long one),
#          from a temporary copy of the program beside its other resources.
# --also   launches a second build's show in turn as well (another commit, a
#          change under trial), so that both meet the same machine in one run.
# --textured  launches the bare window drawing one textured quad as well (the
#          least a program that shows text must compile and draw first).
set -euo pipefail
track="" also="" textured=0
while [ $# -gt 0 ]; do
  case "$1" in
    --track)
      track=${2:?--track takes a file}
      [ -f "$track" ] || { echo "no such track: $track" >&2; exit 2; }
      shift 2 ;;
    --also)
      also=${2:?--also takes a build folder}/bin/bench-live-timing
      [ -x "$also" ] || { echo "no $also" >&2; exit 2; }
      shift 2 ;;
    --textured) textured=1; shift ;;
    *) break ;;
  esac
done
build=${1:-build/release}
launches=${2:-7}
size=${3:-1920x1080}
show="$build/bin/bench-live-timing"
bare="$build/bin/bench-bare-window"
for program in "$show" "$bare"; do
  [ -x "$program" ] || { echo "no $program: build bench-live-timing and bench-bare-window first" >&2; exit 2; }
done

# One virtual display for every launch: its own start-up is not counted.
display=$(mktemp)
copy=""
trap 'rm -f "$display"; [ -n "$copy" ] && rm -rf "$copy"; [ -n "${server:-}" ] && kill "$server" 2>/dev/null' EXIT
if [ -n "$track" ]; then
  # The program finds its resources beside itself.
  copy=$(mktemp -d)
  mkdir "$copy/resources"
  cp "$show" "$copy/"
  cp "$(dirname "$show")"/resources/*.otf "$copy/resources/"
  cp "$track" "$copy/resources/audio.m4a"
  show="$copy/$(basename "$show")"
fi
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$display" 2>/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display")"

launch() {  # program [arguments]: prints "milliseconds MiB"
  local report
  # The launch instant is taken right before the program replaces the shell.
  report=$(sh -c 'exec "$0" "$@" --launched-at "$(date +%s%N)"' "$@" 2>/dev/null)
  echo "$(echo "$report" | sed -n 's/^Start-up: \([0-9.]*\) ms.*/\1/p')" \
       "$(echo "$report" | sed -n 's/^Peak resident memory: \([0-9.]*\) MiB/\1/p')"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

show_ms=() show_mib=() bare_ms=() bare_mib=() also_ms=() also_mib=() tex_ms=()
texturedColumn=""
(( textured )) && texturedColumn=" bare textured ms |"
printf '| launch | show first frame ms | show peak MiB | bare first frame ms | bare peak MiB |%s%s\n|---|---|---|---|---|%s%s\n' \
  "${also:+ other build ms | other build MiB |}" "$texturedColumn" "${also:+---|---|}" "${texturedColumn:+---|}"
for i in $(seq "$launches"); do
  am="" amib=""
  if [ -n "$also" ] && (( i % 2 )); then
    read -r am amib < <(launch "$also" --startup-only)
  fi
  # Alternate which goes first, so neither always meets a warm cache.
  if (( i % 2 )); then
    read -r sm smib < <(launch "$show" --startup-only)
    read -r bm bmib < <(launch "$bare")
  else
    read -r bm bmib < <(launch "$bare")
    read -r sm smib < <(launch "$show" --startup-only)
  fi
  if [ -n "$also" ] && ! (( i % 2 )); then
    read -r am amib < <(launch "$also" --startup-only)
  fi
  show_ms+=("$sm") show_mib+=("$smib") bare_ms+=("$bm") bare_mib+=("$bmib")
  tm=""
  if (( textured )); then
    read -r tm _ < <(launch "$bare" --textured)
    tex_ms+=("$tm")
  fi
  [ -n "$also" ] && also_ms+=("$am") also_mib+=("$amib")
  printf '| %d | %s | %s | %s | %s |%s%s\n' "$i" "$sm" "$smib" "$bm" "$bmib" "${also:+ $am | $amib |}" "${tm:+ $tm |}"
done
sm=$(printf '%s\n' "${show_ms[@]}" | median)
bm=$(printf '%s\n' "${bare_ms[@]}" | median)
smib=$(printf '%s\n' "${show_mib[@]}" | median)
bmib=$(printf '%s\n' "${bare_mib[@]}" | median)
echo
echo "Median first frame: show $sm ms, bare window $bm ms, ratio $(awk -v a="$sm" -v b="$bm" 'BEGIN { printf "%.2f", a / b }')"
echo "Median peak resident memory by the first frame: show $smib MiB, bare window $bmib MiB, difference $(awk -v a="$smib" -v b="$bmib" 'BEGIN { printf "%.1f", a - b }') MiB"
if [ -n "$also" ]; then
  am=$(printf '%s\n' "${also_ms[@]}" | median)
  amib=$(printf '%s\n' "${also_mib[@]}" | median)
  echo "Other build ($also): median first frame $am ms, ratio to the bare window $(awk -v a="$am" -v b="$bm" 'BEGIN { printf "%.2f", a / b }'), peak $amib MiB"
fi
if (( textured )); then
  tm=$(printf '%s\n' "${tex_ms[@]}" | median)
  echo "Bare window with one textured quad: median first frame $tm ms, ratio to the bare window $(awk -v a="$tm" -v b="$bm" 'BEGIN { printf "%.2f", a / b }')"
fi
