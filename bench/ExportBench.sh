#!/usr/bin/env bash
# Wall time of invited-render's default video (1920x1080, 60 fps, -5 s to
# 65 s) beside that of its encoder alone: x264 with the same preset and CRF on
# 70 s of FFmpeg's testsrc2 at the same size and rate, run just before on the
# same machine. Prints both, their ratio, and what the file holds.
#
#   bench/ExportBench.sh [BUILD_DIR] [extra invited-render video options…]
set -euo pipefail
build=${1:-build/release}
shift || true
render="$build/bin/invited-render"
[ -x "$render" ] || { echo "no $render: build the target invited-render first" >&2; exit 2; }

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
out="$folder/show.mp4"

now() { date +%s.%N; }

start=$(now)
ffmpeg -v error -nostdin -f lavfi -i testsrc2=size=1920x1080:rate=60 -t 70 -pix_fmt yuv420p \
  -c:v libx264 -preset veryfast -crf 18 -f null -
encoder=$(awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }')

start=$(now)
"$render" video "$out" --seed 1 "$@"
end=$(now)

duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out")
frames=$(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 "$out")
bytes=$(stat -c %s "$out")
awk -v s="$start" -v e="$end" -v x="$encoder" -v d="$duration" -v f="$frames" -v b="$bytes" 'BEGIN {
  w = e - s
  print "| export s | encoder alone s | export / encoder | video s | frames | wall / real time | MiB |"
  print "|---|---|---|---|---|---|---|"
  printf "| %.1f | %.1f | %.2f | %.3f | %d | %.2f | %.1f |\n", w, x, w / x, d, f, w / d, b / 1048576
}'
echo
ffprobe -v error -show_entries \
  stream=index,codec_name,pix_fmt,color_range,color_space,r_frame_rate,start_time,duration \
  -of compact=p=0 "$out"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
