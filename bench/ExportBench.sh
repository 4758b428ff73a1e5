#!/usr/bin/env bash
# Wall time of invited-render's default video (1920x1080, 60 fps, -5 s to
# 65 s) as a multiple of real time, and what the file holds.
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

start=$(date +%s.%N)
"$render" video "$out" --seed 1 "$@"
end=$(date +%s.%N)

duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out")
frames=$(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 "$out")
bytes=$(stat -c %s "$out")
awk -v s="$start" -v e="$end" -v d="$duration" -v f="$frames" -v b="$bytes" 'BEGIN {
  w = e - s
  print "| wall s | video s | frames | frames/s | wall / real time | MiB |"
  print "|---|---|---|---|---|---|"
  printf "| %.1f | %.3f | %d | %.2f | %.2f | %.1f |\n", w, d, f, f / w, w / d, b / 1048576
}'
echo
ffprobe -v error -show_entries stream=index,codec_name,pix_fmt,r_frame_rate,start_time,duration \
  -of compact=p=0 "$out"
