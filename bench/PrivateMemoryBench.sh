#!/usr/bin/env bash
# Memory 30 seconds into a live show, beside a bare window (an OpenGL 3.3
# core window cleared and swapped) on the same virtual display: resident
# memory, and private dirty memory, which the system can neither share nor
# reclaim (the rest of the resident set is library code and mapped files).
#
#   bench/PrivateMemoryBench.sh [BUILD_DIR] [SECONDS] [WIDTHxHEIGHT]
set -euo pipefail
build=${1:-build/release}
at=${2:-30}
size=${3:-1920x1080}
show="$build/bin/bench-live-timing"
bare="$build/bin/bench-bare-window"
for program in "$show" "$bare"; do
  [ -x "$program" ] || { echo "no $program: build bench-live-timing and bench-bare-window first" >&2; exit 2; }
done
display=$(mktemp)
trap 'rm -f "$display"; [ -n "${server:-}" ] && kill "$server" 2>/dev/null' EXIT
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$display" 2>/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display")" SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

measure() {  # program [arguments]: prints "resident_MiB private_dirty_MiB"
  "$@" > /dev/null 2>&1 &
  local pid=$! figures
  sleep "$at"
  figures=$(awk '/^Rss:/ { r = $2 } /^Private_Dirty:/ { d = $2 } END { printf "%.1f %.1f", r / 1024, d / 1024 }' \
    "/proc/$pid/smaps_rollup")
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
  echo "$figures"
}

read -r show_rss show_dirty < <(measure "$show")
read -r bare_rss bare_dirty < <(measure "$bare" --seconds $((at + 10)))
echo "| ${at} s in | resident MiB | private dirty MiB |"
echo "|---|---|---|"
echo "| show | $show_rss | $show_dirty |"
echo "| bare window | $bare_rss | $bare_dirty |"
echo "| difference | $(awk -v a="$show_rss" -v b="$bare_rss" 'BEGIN { printf "%.1f", a - b }') | $(awk -v a="$show_dirty" -v b="$bare_dirty" 'BEGIN { printf "%.1f", a - b }') |"
