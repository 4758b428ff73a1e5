#!/usr/bin/env bash
# One whole show through the real frame loop on a virtual display (1920x1080 unless told):
# cue lateness, frame intervals, missed frames, audio-video offset (when an
# audio device exists), start-up time and peak memory.
#
#   bench/LiveTimingBench.sh [BUILD_DIR] [WIDTHxHEIGHT]
set -euo pipefail
build=${1:-build/release}
size=${2:-1920x1080}
probe="$build/bin/bench-live-timing"
[ -x "$probe" ] || { echo "no $probe: build the target bench-live-timing first" >&2; exit 2; }
xvfb-run -a -s "-screen 0 ${size}x24" \
  sh -c 'exec "$0" --launched-at "$(date +%s%N)"' "$probe"
