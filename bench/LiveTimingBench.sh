#!/usr/bin/env bash
# One whole show through the real frame loop on a virtual display: cue
# lateness, frame intervals, missed frames, audio-video offset (when an audio
# device exists), start-up time and peak memory, then a bare window's peak
# memory for comparison.
#
#   bench/LiveTimingBench.sh [--null-sink] [--stall SECONDS@SHOW_SECONDS] [--frames CSV]
#                            [--keep DIR] [BUILD_DIR] [WIDTHxHEIGHT]
#
# --null-sink  plays into a private PulseAudio daemon's null sink at 48 kHz, a
#              sound device clocked like a real one, on a socket of its own,
#              records the sink's monitor (bench-loopback-record) and prints
#              the audio-video offset of record from that recording
#              (bench-loopback) beside the program's own estimate.
# --stall      stops the whole probe (SIGSTOP) for SECONDS once the show has
#              run SHOW_SECONDS, then lets it continue (SIGCONT), e.g. 2@20.
# --frames     writes every frame (show time, swap time, video delay, offset,
#              the real-time clock at the swap) to CSV.
# --keep       copies the loopback's recording, its arrival times and the
#              frames into DIR, so that bench-loopback can judge them again:
#              bench-loopback resources/audio.m4a DIR/loop.f32 DIR/loop.csv DIR/frames.csv
set -euo pipefail
null_sink=0 stall="" frames=() keep=""
while [ $# -gt 0 ]; do
  case $1 in
    --null-sink) null_sink=1; shift ;;
    --stall) stall=${2:?--stall takes SECONDS@SHOW_SECONDS}; shift 2 ;;
    --frames) frames=(--frames "$(realpath -m "${2:?--frames takes a file}")"); shift 2 ;;
    --keep) keep=$(realpath -m "${2:?--keep takes a folder}"); shift 2 ;;
    --*) echo "unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ -n "$stall" ] && ! [[ $stall =~ ^[0-9.]+@[0-9.]+$ ]]; then
  echo "--stall takes SECONDS@SHOW_SECONDS, e.g. 2@20" >&2
  exit 2
fi
build=${1:-build/release}
size=${2:-1920x1080}
probe="$build/bin/bench-live-timing"
bare="$build/bin/bench-bare-window"
for program in "$probe" "$bare"; do
  [ -x "$program" ] || { echo "no $program: build bench-live-timing and bench-bare-window first" >&2; exit 2; }
done
recorder="$build/bin/bench-loopback-record"
loopback="$build/bin/bench-loopback"
track="$(dirname "$0")/../resources/audio.m4a"
if (( null_sink )); then
  for program in "$recorder" "$loopback"; do
    [ -x "$program" ] || { echo "no $program: build bench-loopback-record and bench-loopback first" >&2; exit 2; }
  done
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display number itself: no race with other displays.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "the virtual display did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

if (( null_sink )); then
  command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed (./dev installs it)" >&2; exit 2; }
  cat >"$work/pulse.pa" <<PA
load-module module-null-sink sink_name=bench rate=48000
load-module module-native-protocol-unix socket=$work/pulse.socket auth-anonymous=1
set-default-sink bench
PA
  HOME=$work XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -F "$work/pulse.pa" \
    >"$work/pulse.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$work/pulse.socket" ] && break; sleep 0.1; done
  [ -S "$work/pulse.socket" ] || { echo "the sound daemon did not start:" >&2; cat "$work/pulse.log" >&2; exit 1; }
  export PULSE_SERVER="unix:$work/pulse.socket" SDL_AUDIODRIVER=pulseaudio
  # The recording runs before the show starts and after it ends.
  (( ${#frames[@]} )) || frames=(--frames "$work/frames.csv")
  "$recorder" bench.monitor "$work/loop.f32" "$work/loop.csv" 2>"$work/record.log" &
  record=$!
  pids+=("$record")
  recording() { [ -f "$work/loop.csv" ] && [ "$(wc -l <"$work/loop.csv")" -gt 1 ]; }
  for _ in $(seq 100); do recording && break; sleep 0.1; done
  recording || { echo "the loopback recording did not start:" >&2; cat "$work/record.log" >&2; exit 1; }
fi

sh -c 'probe=$0 started=$1; shift; exec "$probe" --started-file "$started" "$@" --launched-at "$(date +%s%N)"' \
  "$probe" "$work/started" "${frames[@]}" \
  >"$work/report" &
show=$!
pids+=("$show")
if [ -n "$stall" ]; then
  for _ in $(seq 600); do [ -e "$work/started" ] && break; sleep 0.05; done
  sleep "${stall#*@}"
  kill -STOP "$show"
  sleep "${stall%@*}"
  kill -CONT "$show"
  echo "(the probe was stopped for ${stall%@*} s at ${stall#*@} s into the show)"
fi
wait "$show"
if (( null_sink )); then
  sleep 0.5
  kill -INT "$record"
  wait "$record" || { echo "the loopback recording failed:" >&2; cat "$work/record.log" >&2; exit 1; }
fi
cat "$work/report"
if (( null_sink )); then
  echo
  "$loopback" "$track" "$work/loop.f32" "$work/loop.csv" "${frames[1]}"
  if [ -n "$keep" ]; then
    mkdir -p "$keep"
    cp "$work/loop.f32" "$work/loop.csv" "$keep/"
    cp "${frames[1]}" "$keep/frames.csv"
  fi
fi
echo
echo "Bare window for comparison: $("$bare" --seconds 2 | grep 'Peak resident')"
