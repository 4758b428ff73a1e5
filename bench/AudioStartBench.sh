#!/usr/bin/env bash
# The music player's creation cost, time to its first consumed sample and peak
# resident memory: the show's 66-second track against a one-hour track made
# from it (its packets repeated, not re-encoded) in a temporary folder.
#
#   bench/AudioStartBench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/release}
runs=${2:-5}
probe="$build/bin/bench-audio-start"
[ -x "$probe" ] || { echo "no $probe: build the target bench-audio-start first" >&2; exit 2; }
track=$(dirname "$0")/../resources/audio.m4a
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ffmpeg -v error -stream_loop -1 -i "$track" -t 3600 -c copy "$tmp/hour.m4a"

printf '| track | run | create ms | first sample ms | peak MiB at first sample | peak MiB after 3 s |\n|---|---|---|---|---|---|\n'
for run in $(seq "$runs"); do
  for name in show hour; do
    file=$track
    [ "$name" = hour ] && file=$tmp/hour.m4a
    report=$(SDL_AUDIODRIVER=dummy "$probe" "$file" 3)
    pick() { echo "$report" | sed -n "s/^$1: \([0-9.]*\).*/\1/p"; }
    printf '| %s | %d | %s | %s | %s | %s |\n' "$name" "$run" "$(pick create)" \
      "$(pick 'first sample consumed')" "$(pick 'peak resident at first sample')" \
      "$(pick 'peak resident after 3.0 s of play')"
  done
done
