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

# Wall and CPU (user + system) seconds of a command, into the file $1.
measure() {
  local into=$1
  shift
  /usr/bin/time -f '%e %U %S' -o "$into" "$@"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
measure "$folder/encoder" ffmpeg -v error -nostdin -f lavfi -i testsrc2=size=1920x1080:rate=60 \
  -t 70 -pix_fmt yuv420p -c:v libx264 -preset veryfast -crf 18 -f null -
measure "$folder/export" "$render" video "$out" --seed 1 "$@"

duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out")
frames=$(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 "$out")
bytes=$(stat -c %s "$out")
read -r xw xu xs <"$folder/encoder"
read -r ew eu es <"$folder/export"
awk -v xw="$xw" -v xu="$xu" -v xs="$xs" -v ew="$ew" -v eu="$eu" -v es="$es" \
  -v d="$duration" -v f="$frames" -v b="$bytes" 'BEGIN {
  xc = xu + xs
  ec = eu + es
  print "|                 | wall s | CPU s |"
  print "|-----------------|--------|-------|"
  printf "| encoder alone   | %6.1f | %5.1f |\n", xw, xc
  printf "| export          | %6.1f | %5.1f |\n", ew, ec
  printf "| export / encoder | %5.2f | %5.2f |\n", ew / xw, ec / xc
  print ""
  printf "video %.3f s, %d frames, %.1f MiB; export wall / real time %.2f\n", d, f, b / 1048576, ew / d
}'
echo
ffprobe -v error -show_entries \
  stream=index,codec_name,pix_fmt,color_range,color_space,r_frame_rate,start_time,duration \
  -of compact=p=0 "$out"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
